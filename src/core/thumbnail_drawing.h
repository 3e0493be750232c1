#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

namespace gb::core {

struct ThumbnailColors {
    QColor tile; // around the picture (button face)
    QColor loadSurface; // what transparent pixels of the picture show
};

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
