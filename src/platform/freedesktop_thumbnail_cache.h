#pragma once

#include "formats/png_text.h"
#include "platform/thumbnail_store.h"

#include <sys/types.h>

namespace gb::platform {

// The thumbnail cache of the freedesktop.org desktops (~/.cache/thumbnails), shared with file
// managers and other viewers: PNGs of 128 pixels in normal/ (256 in large/, 512 in x-large/,
// 1024 in xx-large/) named by the MD5 of the file's URI, which carry the URI and modification
// time they were made from. Files that could not be turned into a thumbnail are remembered in a
// folder of our own under fail/.
class FreedesktopThumbnailCache final : public IThumbnailStore {
public:
    explicit FreedesktopThumbnailCache(
        QString root = DefaultRoot(), QString failureFolder = QStringLiteral("glimmerbox-1.0.3"));

    std::optional<ThumbnailKey> KeyFor(const QString& path) const override;
    CachedThumbnail Find(const ThumbnailKey& key, int side = kNormalThumbnailSide) const override;
    bool Save(const ThumbnailKey& key, const QImage& picture, QSize naturalSize,
        int side = kNormalThumbnailSide, const EntryDate& taken = {}) const override;
    bool SaveFailure(const ThumbnailKey& key) const override;

    // $XDG_CACHE_HOME (when absolute) or ~/.cache, followed by /thumbnails.
    static QString DefaultRoot();
    // The file: URI of an absolute path, escaped byte for byte as GLib's g_filename_to_uri does
    // it, so that our entries and those of GLib-based programs share one name.
    static QByteArray FileUri(const QString& absolutePath);
    // The entry's file name: the lowercase hex MD5 of the URI, then ".png".
    static QString EntryName(const QByteArray& uri);

private:
    bool MayStore(const ThumbnailKey& key) const;
    bool IsInsideCache(const QString& absolute, dev_t device) const;
    bool Store(const QString& folder, const ThumbnailKey& key, const QImage& image,
        const QList<formats::PngText>& size) const;

    QString root_;
    QString failFolder_;
};

} // namespace gb::platform
