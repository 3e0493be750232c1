#include "browser/tile_maker.h"

#include "browser/thumbnail_cache_writer.h"
#include "browser/unreadable_files.h"
#include "core/thumbnail_geometry.h"
#include "platform/picture_loader.h"
#include "platform/thumbnail_store.h"

#include <QFileInfo>
#include <iterator>

namespace gb::browser {

namespace {

    // A picture up to twice the entry's size decodes about as fast as the entry reads, so
    // writing one would only cost time; so does an embedded thumbnail, unless each read of it
    // crosses a network.
    bool IsWorthCaching(const platform::LoadedPicture& picture, int side, bool remote)
    {
        const QSize natural = picture.naturalSize;
        const QSize image = picture.image.size();
        return (!picture.embedded || remote)
            && std::max(natural.width(), natural.height()) > 2 * side
            && std::max(image.width(), image.height()) >= side;
    }

    QImage ShrinkForCache(const QImage& image, int side)
    {
        const QSize fitted = image.size().scaled(side, side, Qt::KeepAspectRatio);
        return core::AreaAverageScale(image, fitted.expandedTo(QSize(1, 1)));
    }

    // A picture that does not say when it was taken is placed by its file's last change, which
    // the cache's key has already read: a far share is not asked twice.
    std::optional<qint64> OrLastChange(
        std::optional<qint64> takenMs, const std::optional<platform::ThumbnailKey>& key)
    {
        if (takenMs || !key)
            return takenMs;
        return key->mtime * 1000;
    }

} // namespace

int CacheSideFor(int tileSide, qreal pixelRatio)
{
    const qreal devicePixels = tileSide * pixelRatio;
    for (const int side : platform::kThumbnailSides) {
        if (devicePixels <= side)
            return side;
    }
    return std::end(platform::kThumbnailSides)[-1];
}

bool IsIconName(const QString& name)
{
    const QString lower = name.toLower();
    return lower.contains(QLatin1String(".ico")) || lower.contains(QLatin1String(".cur"));
}

TileMaker::TileMaker(const platform::IPictureLoader& pictures,
    const platform::IThumbnailStore& cache, ThumbnailCacheWriter& writer, Options options,
    std::shared_ptr<UnreadableFiles> unreadable)
    : pictures_(pictures)
    , cache_(cache)
    , writer_(writer)
    , options_(std::move(options))
    , unreadable_(std::move(unreadable))
{
}

MadeTile TileMaker::Make(const QString& path) const
{
    platform::PictureOptions options;
    options.largeIcon = IsIconName(QFileInfo(path).fileName());
    const int side = options_.tileSide;
    const int room = side - core::ThumbnailMargin(side);
    options.reduceFor = (QSizeF(room, room) * options_.pixelRatio).toSize();
    options.embeddedThumbnail = options_.embeddedThumbnails;
    options.everyType = options_.everyType;
    options.dateTaken = options_.dateTaken;

    // Other programs store the largest image of an icon file, not the one we show.
    const std::optional<platform::ThumbnailKey> key
        = options.largeIcon ? std::nullopt : cache_.KeyFor(path);
    const int cacheSide = CacheSideFor(side, options_.pixelRatio);
    if (key) {
        const platform::CachedThumbnail cached = cache_.Find(*key, cacheSide);
        if (cached.result == platform::ThumbnailLookup::KnownFailure)
            return {};
        if (cached.result == platform::ThumbnailLookup::Hit) {
            const QSize natural
                = cached.naturalSize.isValid() ? cached.naturalSize : cached.image.size();
            MadeTile made { core::MakeCompactTile(
                cached.image, natural, options_.loadSurface, options_.pixelRatio, side) };
            // Another program's entry says nothing of the date: the file's head does.
            if (options_.dateTaken)
                made.takenMs = OrLastChange(
                    cached.taken.recorded ? cached.taken.takenMs : pictures_.DateTaken(path), key);
            return made;
        }
    }
    platform::LoadFailure failure = platform::LoadFailure::None;
    int error = 0;
    const std::optional<platform::LoadedPicture> picture
        = pictures_.LoadPicture(path, options, &failure, &error);
    if (!picture) {
        if (unreadable_ && failure == platform::LoadFailure::Unreadable)
            unreadable_->Add(error);
        // A failure is only worth remembering when the whole file was read: one we could not
        // read today (a read error, a card pulled out, no permission) may be read tomorrow
        // without its modification time changing.
        if (key && failure == platform::LoadFailure::NotAPicture)
            writer_.AddFailure(*key);
        return {};
    }
    // An entry made without looking for the date does not record one.
    const platform::EntryDate taken { options_.dateTaken, picture->takenMs };
    if (key && IsWorthCaching(*picture, cacheSide, options_.remote))
        writer_.Add(*key, ShrinkForCache(picture->image, cacheSide), picture->naturalSize,
            cacheSide, taken);
    return { core::MakeCompactTile(picture->image, picture->naturalSize, options_.loadSurface,
                 options_.pixelRatio, side),
        options_.dateTaken ? OrLastChange(picture->takenMs, key) : picture->takenMs };
}

} // namespace gb::browser
