#pragma once

#include "formats/byte_view.h"
#include "formats/metafile_budget.h"
#include "formats/metafile_dc.h"

#include <QImage>
#include <QPolygonF>
#include <functional>
#include <optional>
#include <vector>

namespace gb::formats {

// Where a metafile's records drew, in picture pixels: its shapes and bitmaps, and all of that
// with its text. A null rectangle where nothing of the kind was drawn.
struct MetafileDrawn {
    void Mark(const QRectF& pictureArea, bool shape)
    {
        all |= pictureArea;
        shapes |= shape ? pictureArea : QRectF();
    }
    QRectF shapes, all;
};

// Paints GDI's drawing operations with QPainter, in the logical units of a MetafileDc. While a
// path is open, shapes go into the path instead of onto the picture, as GDI does.
class MetafileCanvas {
public:
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    struct TextRun {
        QPointF reference;
        QString text;
        quint32 options = 0; // ETO_OPAQUE, ETO_CLIPPED
        QRectF rect; // logical; used with those options
        std::vector<double> advances; // logical; empty for the font's own
    };

    // Each drawing is paid for from `budget` first; one it cannot pay for is left undrawn.
    MetafileCanvas(QPainter& painter, MetafileDc& dc, MetafileBudget& budget);

    void MoveTo(QPointF to);
    void LineTo(QPointF to);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void PolyBezier(const QPolygonF& points);
    void PolyBezierTo(const QPolygonF& points);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void PolyPolyline(const std::vector<QPolygonF>& lines);
    void Rectangle(const QRectF& box);
    void RoundRect(const QRectF& box, QSizeF corner);
    void Ellipse(const QRectF& box);
    void Arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    // PATBLT and the bitmap-less blits: the brush, or black or white, by the raster operation.
    void PatternFill(const QRectF& box, quint32 rop);
    void Text(const TextRun& run);
    // A fill with a brush of its own, as gradients make, leaving the selected brush alone.
    void Fill(const QPainterPath& shape, const QBrush& brush);
    void Image(const QRectF& target, const QImage& image, const QRectF& source, quint32 rop);

    void BeginPath();
    void EndPath() { pathOpen_ = false; }
    void CloseFigure();
    void AbortPath();
    void FillPath() { FinishPath(true, false); }
    void StrokePath() { FinishPath(false, true); }
    void StrokeAndFillPath() { FinishPath(true, true); }
    void SelectClipPath();

    const MetafileDrawn& Drawn() const { return drawn_; }
    // Clears the whole picture, for playing the records again with another mapping.
    static void Erase(QPainter& painter, QSizeF picture);

private:
    void Draw(const QPainterPath& shape, bool fill, bool stroke);
    void Prepare();
    // Paints with a mix; one that reads the picture has `paint` lay white paper first.
    void Combine(quint8 mix, const std::function<void(bool paper)>& paint);
    void FinishPath(bool fill, bool stroke);
    void ContinueFigure();

    QPainter& painter_;
    MetafileDc& dc_;
    MetafileBudget& budget_;
    QPainterPath path_;
    bool pathOpen_ = false;
    MetafileDrawn drawn_;
};

} // namespace gb::formats
