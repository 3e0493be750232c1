#include "browser/tile_maker.h"

#include "browser/thumbnail_cache_writer.h"
#include "core/thumbnail_geometry.h"
#include "platform/picture_loader.h"
#include "platform/thumbnail_store.h"

#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace gb::browser {

namespace {

    // The shared cache's "normal" size.
    constexpr int CachedSize = 128;
    // A picture up to twice that size decodes about as fast as its cache entry reads, so
    // writing one would only cost time.
    constexpr int SmallestCachedPicture = 2 * CachedSize + 1;

    bool IsWorthCaching(const platform::LoadedPicture& picture)
    {
        const QSize natural = picture.naturalSize;
        const QSize image = picture.image.size();
        return !picture.embedded
            && std::max(natural.width(), natural.height()) >= SmallestCachedPicture
            && std::max(image.width(), image.height()) >= CachedSize;
    }

    QImage ShrinkForCache(const QImage& image)
    {
        const QSize fitted = image.size().scaled(CachedSize, CachedSize, Qt::KeepAspectRatio);
        return core::AreaAverageScale(image, fitted.expandedTo(QSize(1, 1)));
    }

    // A failure is only worth remembering when the file could be read: a file we may not read
    // today may be readable tomorrow without its modification time changing.
    bool IsReadable(const QString& path)
    {
        return ::access(QFile::encodeName(path).constData(), R_OK) == 0;
    }

} // namespace

bool IsIconName(const QString& name)
{
    const QString lower = name.toLower();
    return lower.contains(QLatin1String(".ico")) || lower.contains(QLatin1String(".cur"));
}

TileMaker::TileMaker(const platform::IPictureLoader& pictures,
    const platform::IThumbnailStore& cache, ThumbnailCacheWriter& writer, Options options)
    : pictures_(pictures)
    , cache_(cache)
    , writer_(writer)
    , options_(std::move(options))
{
}

std::optional<core::CompactTile> TileMaker::Make(const QString& path) const
{
    platform::PictureOptions options;
    options.largeIcon = IsIconName(QFileInfo(path).fileName());
    const int room = core::ThumbnailTileSize - core::ThumbnailMargin;
    options.reduceFor = QSize(room, room);
    options.embeddedThumbnail = options_.embeddedThumbnails;

    // Other programs store the largest image of an icon file, not the one we show.
    const std::optional<platform::ThumbnailKey> key
        = options.largeIcon ? std::nullopt : cache_.KeyFor(path);
    if (key) {
        const platform::CachedThumbnail cached = cache_.Find(*key);
        if (cached.result == platform::ThumbnailLookup::KnownFailure)
            return std::nullopt;
        if (cached.result == platform::ThumbnailLookup::Hit) {
            const QSize natural
                = cached.naturalSize.isValid() ? cached.naturalSize : cached.image.size();
            return core::MakeCompactTile(cached.image, natural, options_.loadSurface);
        }
    }
    const std::optional<platform::LoadedPicture> picture = pictures_.LoadPicture(path, options);
    if (!picture) {
        if (key && IsReadable(path))
            writer_.AddFailure(*key);
        return std::nullopt;
    }
    if (key && IsWorthCaching(*picture))
        writer_.Add(*key, ShrinkForCache(picture->image), picture->naturalSize);
    return core::MakeCompactTile(picture->image, picture->naturalSize, options_.loadSurface);
}

} // namespace gb::browser
