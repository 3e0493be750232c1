#pragma once

#include <QRect>
#include <QSize>

namespace gb::core {

// Where a picture of a given natural size lands inside a thumbnail tile.
struct ThumbnailGeometry {
    QRect image; // the scaled picture inside the tile
    QRect frame; // the one-pixel frame drawn directly around it (outer edge, inclusive)
};

inline constexpr int kThumbnailTileSize = 64;
inline constexpr int kThumbnailMargin = 2; // the picture is at most 62 x 62

// The margin of a tile of any size, in proportion to the 64-pixel tile's: 4 at 128, 8 at 256.
constexpr int ThumbnailMargin(int tileSize)
{
    return kThumbnailMargin * tileSize / kThumbnailTileSize;
}

// Fits `natural` into the tile, less its margin: never enlarged, scaled by a single-precision
// factor taken from the longer side (the height when square), sizes rounded half-to-even, offsets
// rounded down.
ThumbnailGeometry ComputeThumbnailGeometry(QSize natural, int tileSize = kThumbnailTileSize);

} // namespace gb::core
