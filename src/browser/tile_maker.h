#pragma once

#include "browser/made_tile.h"
#include "core/thumbnail_geometry.h"

#include <QColor>
#include <QString>
#include <memory>
#include <optional>

namespace gb::platform {
class IPictureLoader;
class IThumbnailStore;
} // namespace gb::platform

namespace gb::browser {

class ThumbnailCacheWriter;
class UnreadableFiles;

// Makes the tile of one file by the cheapest correct path: a current entry of the shared
// thumbnail cache, else a thumbnail embedded in the file when allowed and trustworthy, else a
// reduced decode, whose result is handed to the cache writer for next time. Safe to call from
// several threads at once.
class TileMaker {
public:
    struct Options {
        bool embeddedThumbnails = true;
        QColor loadSurface; // what transparent pixels show
        qreal pixelRatio = 1; // the screen's device pixels to a logical pixel
        // The folder is on a share: a thumbnail embedded in a file is stored in the shared cache
        // too, so the next visit reads no picture bytes over the network. On a local disk the
        // embedded one reads faster than a cache entry is written.
        bool remote = false;
        bool everyType = false; // see PictureOptions::everyType
        int tileSide = core::kThumbnailTileSize; // the tile's side in logical pixels, one of
                                                 // Settings::kThumbnailSizes
        // Also give when each picture was taken (MadeTile::takenMs): from what its decode reads,
        // or from the shared cache's entry, or else from the head of the file.
        bool dateTaken = false;
    };
    // A file that could not be read is counted in `unreadable`, when given.
    TileMaker(const platform::IPictureLoader& pictures, const platform::IThumbnailStore& cache,
        ThumbnailCacheWriter& writer, Options options,
        std::shared_ptr<UnreadableFiles> unreadable = nullptr);

    // No tile when the file cannot be made into one.
    MadeTile Make(const QString& path) const;

private:
    const platform::IPictureLoader& pictures_;
    const platform::IThumbnailStore& cache_;
    ThumbnailCacheWriter& writer_;
    Options options_;
    std::shared_ptr<UnreadableFiles> unreadable_;
};

// The smallest size of the shared cache (one of platform::kThumbnailSides) whose entries have as
// many pixels as a tile of `tileSide` has on the screen: a smaller entry would be enlarged, and
// look blurred beside a fresh decode. Past the largest, the largest.
int CacheSideFor(int tileSide, qreal pixelRatio);

// Icons and cursors are loaded at the large shell icon size; the test is on the name, so
// "photo.icon.jpg" counts too.
bool IsIconName(const QString& name);

} // namespace gb::browser
