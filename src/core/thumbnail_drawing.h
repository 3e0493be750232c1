#pragma once

#include "core/thumbnail_geometry.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

namespace gb::core {

struct ThumbnailColors {
    QColor tile; // around the picture (button face)
    QColor loadSurface; // what transparent pixels of the picture show
};

// A tile kept small: only the picture's own pixels, packed losslessly (see PackPixels). The
// button face and the frame around them cost nothing to redraw, and a cell's picture is only
// unpacked while it is painted, so a folder of 100,000 small photographs keeps about 270 MB of
// tiles.
struct CompactTile {
    QByteArray pixels; // the fitted picture, transparency already flattened, packed
    QRect image; // where the picture goes inside the tile, in logical pixels
    QRect frame; // the one-pixel black frame (outer edge, inclusive)
    qreal pixelRatio = 1; // device pixels of the packed picture to one logical pixel
    int side = kThumbnailTileSize; // the square tile's side, in logical pixels

    bool isNull() const { return frame.isNull(); }
    // The fitted picture as RGB888, with its device pixel ratio; null when the tile has none.
    QImage Picture() const;
    // Paints the whole tile with its top-left corner at `at`.
    void Paint(QPainter& painter, QPoint at, const QColor& face) const;
    // The whole tile as an image, exactly as DrawThumbnail draws it.
    QImage Tile(const QColor& face) const;
};

// On a screen of `pixelRatio` device pixels to a logical one, the picture keeps that many more
// pixels (when the source has them), so it is as sharp as the text beside it; the geometry in
// logical pixels is the same on every screen. `side` is the tile's (see ThumbnailMargin).
CompactTile MakeCompactTile(const QImage& source, QSize naturalSize, const QColor& loadSurface,
    qreal pixelRatio = 1, int side = kThumbnailTileSize);

// Draws the 64 x 64 tile of a picture: the picture shrunk to fit (area-averaged), centred, with
// a one-pixel black frame directly around it. `source` may be a reduced decode of the picture;
// the geometry always follows `naturalSize`, so a reduced decode draws the very same tile.
QImage DrawThumbnail(const QImage& source, QSize naturalSize, const ThumbnailColors& colors);

// `image` with transparent pixels replaced by `background` showing through.
QImage FlattenOnto(const QImage& image, const QColor& background);

// Area-averaging downscale to exactly `size` (each target pixel is the mean of the source area
// it covers). Never used to enlarge.
QImage AreaAverageScale(const QImage& image, QSize size);

} // namespace gb::core
