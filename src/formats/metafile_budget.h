#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <optional>

namespace gb::formats {

// Ends the playing of a hostile metafile early: one that holds a huge number of records, or
// whose records ask for too much drawing, is given up on rather than left to hang a loader
// thread. The work is counted, never timed, so a file draws the same on a fast machine, a
// loaded one or under valgrind. A unit is about a nanosecond of one core drawing with Qt's
// raster engine; each weight below is what that operation was seen to cost, rounded up.
class MetafileBudget {
public:
    // About two seconds of drawing for each time the records are played.
    static constexpr qint64 kMaxWork = 2'000'000'000;
    // Reading and dispatching a record takes far less, but no file plays more than a million.
    static constexpr qint64 kRecord = kMaxWork / 1'000'000;
    // Each point of a path is transformed, flattened and stroked: about a microsecond.
    static constexpr qint64 kPathPoint = 1000;
    // An edge of a path and a row of the canvas. Filling a shape of thousands of edges over a
    // large canvas, Qt's rasterizer runs out of cells and walks every edge again for each band
    // of rows: up to 26 units for each edge and row of the shape's height. An outline's
    // segments are traced on their own, two units for each row one crosses.
    static constexpr qint64 kFillEdgeRow = 32, kStrokeEdgeRow = 2;
    // A pixel painted by a brush, a pen or a pattern's tile: solid fills take under a unit,
    // tiled patterns and smoothed edges nearly two.
    static constexpr qint64 kPaintedPixel = 2;
    // A bitmap's pixel drawn stretched and smoothed: a tiny bitmap spread over a large target
    // costs six units a pixel.
    static constexpr qint64 kBitmapPixel = 8;
    // A pixel of a bitmap or pattern brush decoded from the file into 32 bits.
    static constexpr qint64 kDecodedPixel = 4;
    // A glyph looked up and placed, and each pixel of its em square, rasterized: large text is
    // drawn as a filled outline.
    static constexpr qint64 kGlyph = 1000, kGlyphPixel = 6;
    // A rectangle of a region merged into a clip.
    static constexpr qint64 kRegionRectangle = 1000;
    // A clip path's point, set on the painter for every record drawn within it.
    static constexpr qint64 kClipPoint = 100;

    // `canvas`: the picture drawn on; what falls outside it is not counted.
    explicit MetafileBudget(QSizeF canvas = {})
        : canvas_(QPointF(), canvas)
    {
    }

    // Takes `work` from what is left; false once the file has had its fill, and from then on.
    bool Spend(qint64 work)
    {
        spent_ = std::min(spent_ + std::max<qint64>(work, 0), kMaxWork + 1);
        return spent_ <= kMaxWork;
    }
    bool Exhausted() const { return spent_ > kMaxWork; }

    // Pixels of `area` (in picture pixels) on the canvas.
    qint64 Covered(const QRectF& area) const
    {
        const QRectF on = area.normalized().intersected(canvas_);
        return qint64(std::ceil(on.width()) * std::ceil(on.height()));
    }
    // A path (logical units, drawn through `toPicture`) filled, or outlined by a pen
    // `penPixels` wide (0 for none). A fill pays for each edge on every row of the shape and
    // for the area it may cover; an outline for the rows its edges cross and its length in
    // pixels times its width.
    qint64 PathWork(
        const QPainterPath& path, const QTransform& toPicture, bool fill, double penPixels) const
    {
        qint64 crossed = 0;
        double length = 0;
        QPointF from;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPointF to = OnCanvas(toPicture.map(QPointF(path.elementAt(i))));
            if (!path.elementAt(i).isMoveTo()) {
                crossed += qint64(std::abs(to.y() - from.y())) + 1;
                length += std::abs(to.x() - from.x()) + std::abs(to.y() - from.y()) + 1;
            }
            from = to;
        }
        const double half = penPixels / 2;
        const QRectF reach = toPicture.mapRect(path.controlPointRect()).normalized();
        const QRectF on = reach.adjusted(-half, -half, half, half).intersected(canvas_);
        const qint64 elements = path.elementCount(), area = Covered(on);
        if (fill)
            return elements * (kPathPoint + (qint64(on.height()) + 1) * kFillEdgeRow)
                + area * kPaintedPixel;
        return elements * kPathPoint + crossed * kStrokeEdgeRow
            + qint64(std::min<double>(area, length * penPixels)) * kPaintedPixel;
    }
    qint64 TextWork(qint64 glyphs, double pixelSize) const
    {
        const double em = std::min(pixelSize * pixelSize, canvas_.width() * canvas_.height());
        return glyphs * (kGlyph + qint64(em) * kGlyphPixel);
    }
    static qint64 DecodeWork(const QImage& image)
    {
        return qint64(image.width()) * image.height() * kDecodedPixel;
    }
    static qint64 ClipWork(const std::optional<QPainterPath>& clip)
    {
        return clip ? clip->elementCount() * kClipPoint : 0;
    }

private:
    QPointF OnCanvas(QPointF p) const
    {
        return QPointF(
            std::clamp(p.x(), 0.0, canvas_.width()), std::clamp(p.y(), 0.0, canvas_.height()));
    }

    QRectF canvas_;
    qint64 spent_ = 0;
};

} // namespace gb::formats
