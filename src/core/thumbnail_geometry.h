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

// Fits `natural` into the tile: never enlarged, scaled by a single-precision factor taken from
// the longer side (the height when square), sizes rounded half-to-even, offsets rounded down.
ThumbnailGeometry ComputeThumbnailGeometry(QSize natural, int tileSize = kThumbnailTileSize);

} // namespace gb::core
