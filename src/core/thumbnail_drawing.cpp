#include "core/thumbnail_drawing.h"

#include "core/thumbnail_geometry.h"
#include "core/tile_packing.h"

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

    void DrawFrame(QPainter& painter, const QRect& frame)
    {
        // Filled one-pixel strips rather than a stroked rectangle: exact pixels, no pen rules.
        const QColor black(Qt::black);
        painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), black);
        painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), black);
        painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), black);
        painter.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), black);
    }

} // namespace

CompactTile MakeCompactTile(
    const QImage& source, QSize naturalSize, const QColor& loadSurface, qreal pixelRatio, int side)
{
    const ThumbnailGeometry geometry = ComputeThumbnailGeometry(naturalSize, side);
    CompactTile tile { QByteArray(), geometry.image, geometry.frame, 1, side };
    if (geometry.image.isEmpty() || source.isNull())
        return tile;
    // Never enlarged: a source without the extra pixels is drawn at one pixel a logical pixel.
    const QSize dense = (QSizeF(geometry.image.size()) * pixelRatio).toSize();
    if (pixelRatio > 1 && source.width() >= dense.width() && source.height() >= dense.height())
        tile.pixelRatio = pixelRatio;
    const QSize pixelSize = tile.pixelRatio > 1 ? dense : geometry.image.size();
    tile.pixels = PackPixels(AreaAverageScale(FlattenOnto(source, loadSurface), pixelSize));
    return tile;
}

QImage CompactTile::Picture() const
{
    if (pixels.isEmpty())
        return {};
    const QSize pixelSize
        = pixelRatio > 1 ? (QSizeF(image.size()) * pixelRatio).toSize() : image.size();
    QImage picture = UnpackPixels(pixels, pixelSize);
    picture.setDevicePixelRatio(pixelRatio);
    return picture;
}

void CompactTile::Paint(QPainter& painter, QPoint at, const QColor& face) const
{
    painter.fillRect(QRect(at, QSize(side, side)), face);
    if (const QImage picture = Picture(); !picture.isNull())
        painter.drawImage(QRectF(at + image.topLeft(), image.size()), picture);
    DrawFrame(painter, frame.translated(at));
}

QImage CompactTile::Tile(const QColor& face) const
{
    QImage tile(side, side, QImage::Format_RGB32);
    QPainter painter(&tile);
    Paint(painter, QPoint(0, 0), face);
    painter.end();
    return tile;
}

QImage DrawThumbnail(const QImage& source, QSize naturalSize, const ThumbnailColors& colors)
{
    return MakeCompactTile(source, naturalSize, colors.loadSurface).Tile(colors.tile);
}

} // namespace gb::core
