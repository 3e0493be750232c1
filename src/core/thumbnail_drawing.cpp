#include "core/thumbnail_drawing.h"

#include "core/thumbnail_geometry.h"

#include <QPainter>

namespace gb::core {

QImage FlattenOnto(const QImage& image, const QColor& background)
{
    if (!image.hasAlphaChannel())
        return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(background);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QImage AreaAverageScale(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image;
    // Qt's smooth downscale is a box filter over the covered source area, which is what a
    // halftone stretch does; it keeps fine detail from aliasing into moire on camera pictures.
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace {

    void DrawFrame(QImage& tile, const QRect& frame)
    {
        // Filled one-pixel strips rather than a stroked rectangle: exact pixels, no pen rules.
        QPainter painter(&tile);
        const QColor black(Qt::black);
        painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), black);
        painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), black);
        painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), black);
        painter.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), black);
    }

} // namespace

QImage DrawThumbnail(const QImage& source, QSize naturalSize, const ThumbnailColors& colors)
{
    QImage tile(ThumbnailTileSize, ThumbnailTileSize, QImage::Format_RGB32);
    tile.fill(colors.tile);
    const ThumbnailGeometry geometry = ComputeThumbnailGeometry(naturalSize);
    if (!geometry.image.isEmpty() && !source.isNull()) {
        const QImage scaled
            = AreaAverageScale(FlattenOnto(source, colors.loadSurface), geometry.image.size());
        QPainter painter(&tile);
        painter.drawImage(geometry.image.topLeft(), scaled);
    }
    DrawFrame(tile, geometry.frame);
    return tile;
}

} // namespace gb::core
