#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace gb::platform {

// One version of one file as the shared thumbnail cache knows it: the file's URI and its
// modification time in whole seconds, taken before the file is read so that a file changed
// while it was being decoded is never stored under its new time.
struct ThumbnailKey {
    QString path;
    QByteArray uri;
    qint64 mtime = 0;
    // The file lies inside the cache itself (through links too): nothing is stored for it, or
    // thumbnails of thumbnails would breed as a viewer browses the cache. Settled when the key
    // is made, so storing never has to look at the file's storage again.
    bool insideCache = false;
};

enum class ThumbnailLookup { Miss, Hit, KnownFailure };

// The sizes of the shared cache, smallest first: the longest side of an entry in each of its
// folders ("normal", "large", "x-large", "xx-large").
inline constexpr int kThumbnailSides[] = { 128, 256, 512, 1024 };
inline constexpr int kNormalThumbnailSide = kThumbnailSides[0];

// When the picture was taken, as an entry of ours records it.
struct EntryDate {
    bool recorded = false; // the entry says whether the file gives a date (other programs' do not)
    std::optional<qint64> takenMs; // ms since the epoch, UTC; nullopt when the file gives none
};

struct CachedThumbnail {
    ThumbnailLookup result = ThumbnailLookup::Miss;
    QImage image; // on a hit: the stored thumbnail, at most the size asked for
    QSize naturalSize; // on a hit: the picture's own size when the entry records it, else invalid
    EntryDate taken; // on a hit
};

// The thumbnail cache shared with file managers and other viewers. Safe to call from several
// threads at once.
class IThumbnailStore {
public:
    virtual ~IThumbnailStore() = default;
    // nullopt when the path is no regular file: nothing is cached for it.
    virtual std::optional<ThumbnailKey> KeyFor(const QString& path) const = 0;
    // An entry that fills `side` x `side` (one of kThumbnailSides), shrunk to fit it; a smaller
    // one only when it holds the whole picture, since enlarging it would blur it.
    virtual CachedThumbnail Find(
        const ThumbnailKey& key, int side = kNormalThumbnailSide) const = 0;
    // Stores `picture` shrunk to fit `side` x `side` (never enlarged) in that size's folder,
    // atomically, with the date when it is recorded. False on failure.
    virtual bool Save(const ThumbnailKey& key, const QImage& picture, QSize naturalSize,
        int side = kNormalThumbnailSide, const EntryDate& taken = {}) const = 0;
    // Records that the file could not be made into a thumbnail.
    virtual bool SaveFailure(const ThumbnailKey& key) const = 0;
};

} // namespace gb::platform
