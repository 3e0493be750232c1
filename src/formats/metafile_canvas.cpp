#include "formats/metafile_canvas.h"

#include "formats/metafile_text.h"

#include <QFontMetricsF>
#include <cmath>
#include <numbers>

namespace gb::formats {

namespace {

    constexpr quint32 kTaUpdateCp = 1;
    constexpr quint32 kEtoOpaque = 2, kEtoClipped = 4;
    constexpr double kMaxCurveReach = 1 << 18;
    // Longer runs of text are not labels but an attempt to keep the painter busy.
    constexpr qsizetype kMaxTextLength = 1 << 14;

    QPen ToPen(const MetafilePen& p)
    {
        if (!p.visible || p.style == Qt::NoPen)
            return Qt::NoPen;
        QPen pen(p.colour, p.width, p.style, Qt::RoundCap, Qt::RoundJoin);
        pen.setCosmetic(p.width <= 1 && p.style != Qt::SolidLine ? true : p.width == 0);
        return pen;
    }

    QBrush ToBrush(const MetafileBrush& b)
    {
        if (!b.visible || b.style == Qt::NoBrush)
            return Qt::NoBrush;
        if (b.style == Qt::TexturePattern && !b.pattern.isNull())
            return QBrush(b.pattern);
        return QBrush(b.colour, b.style == Qt::TexturePattern ? Qt::SolidPattern : b.style);
    }

    double ParametricAngle(const QRectF& box, QPointF p)
    {
        const QPointF c = box.center();
        const double a = box.width() / 2, b = box.height() / 2;
        if (a == 0 || b == 0)
            return 0;
        return std::atan2(-(p.y() - c.y()) / b, (p.x() - c.x()) / a) * 180 / std::numbers::pi;
    }

    // Curves are flattened in picture pixels: one that reaches millions of pixels away (a single
    // corrupt coordinate does it) would keep the painter busy for seconds.
    bool IsUnreasonable(const QPainterPath& shape, const QTransform& toPicture)
    {
        const QRectF reach = toPicture.mapRect(shape.controlPointRect());
        if (reach.width() < kMaxCurveReach && reach.height() < kMaxCurveReach)
            return false;
        for (int i = 0; i < shape.elementCount(); ++i)
            if (shape.elementAt(i).type == QPainterPath::CurveToElement)
                return true;
        return false;
    }

    QPainter::CompositionMode RopComposition(quint32 rop)
    {
        switch (rop >> 16) {
        case 0x88: // SRCAND
            return QPainter::RasterOp_SourceAndDestination;
        case 0xEE: // SRCPAINT
            return QPainter::RasterOp_SourceOrDestination;
        case 0x66: // SRCINVERT
            return QPainter::RasterOp_SourceXorDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
        }
    }

} // namespace

MetafileCanvas::MetafileCanvas(QPainter& painter, MetafileDc& dc)
    : painter_(painter)
    , dc_(dc)
{
}

void MetafileCanvas::Prepare()
{
    const MetafileState& s = dc_.State();
    painter_.resetTransform();
    if (s.clip)
        painter_.setClipPath(*s.clip);
    else
        painter_.setClipping(false);
    painter_.setTransform(dc_.LogicalToPicture());
    painter_.setPen(ToPen(s.pen));
    painter_.setBrush(ToBrush(s.brush));
    painter_.setBackgroundMode(s.opaqueBackground ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_.setBackground(s.backgroundColour);
    painter_.setCompositionMode(s.composition);
}

void MetafileCanvas::Draw(const QPainterPath& shape, bool fill, bool stroke)
{
    if (pathOpen_) {
        path_.addPath(shape);
        return;
    }
    if (dc_.State().skipDrawing || IsUnreasonable(shape, dc_.LogicalToPicture()))
        return;
    Prepare();
    QPainterPath filled = shape;
    filled.setFillRule(dc_.State().fillRule);
    if (fill)
        painter_.fillPath(filled, painter_.brush());
    // A pen as wide as the reach limit is no outline but a corrupt width; it is left out.
    const QTransform& t = painter_.transform();
    const bool sanePen = painter_.pen().widthF() * std::hypot(t.m11(), t.m12()) < kMaxCurveReach;
    if (stroke && painter_.pen().style() != Qt::NoPen && sanePen)
        painter_.strokePath(shape, painter_.pen());
}

void MetafileCanvas::ContinueFigure()
{
    if (path_.elementCount() == 0 || path_.currentPosition() != dc_.State().position)
        path_.moveTo(dc_.State().position);
}

void MetafileCanvas::MoveTo(QPointF to)
{
    dc_.State().position = to;
    if (pathOpen_)
        path_.moveTo(to);
}

void MetafileCanvas::LineTo(QPointF to) { PolylineTo(QPolygonF { to }); }

void MetafileCanvas::PolylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    if (pathOpen_) {
        ContinueFigure();
        for (const QPointF& p : points)
            path_.lineTo(p);
    } else {
        QPolygonF line { dc_.State().position };
        line += points;
        Polyline(line);
    }
    dc_.State().position = points.last();
}

void MetafileCanvas::Polyline(const QPolygonF& points)
{
    QPainterPath shape;
    shape.addPolygon(points);
    Draw(shape, false, true);
}

void MetafileCanvas::PolyBezier(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    QPainterPath shape(points.first());
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        shape.cubicTo(points[i], points[i + 1], points[i + 2]);
    Draw(shape, false, true);
}

void MetafileCanvas::PolyBezierTo(const QPolygonF& points)
{
    if (points.size() < 3)
        return;
    if (pathOpen_)
        ContinueFigure();
    QPainterPath shape(dc_.State().position);
    QPainterPath& target = pathOpen_ ? path_ : shape;
    for (qsizetype i = 0; i + 2 < points.size(); i += 3)
        target.cubicTo(points[i], points[i + 1], points[i + 2]);
    dc_.State().position = target.currentPosition();
    if (!pathOpen_)
        Draw(shape, false, true);
}

void MetafileCanvas::PolyPolygon(const std::vector<QPolygonF>& polygons)
{
    QPainterPath shape;
    for (const QPolygonF& polygon : polygons) {
        shape.addPolygon(polygon);
        shape.closeSubpath();
    }
    Draw(shape, true, true);
}

void MetafileCanvas::PolyPolyline(const std::vector<QPolygonF>& lines)
{
    QPainterPath shape;
    for (const QPolygonF& line : lines)
        shape.addPolygon(line);
    Draw(shape, false, true);
}

void MetafileCanvas::Rectangle(const QRectF& box)
{
    QPainterPath shape;
    shape.addRect(box.normalized());
    Draw(shape, true, true);
}

void MetafileCanvas::RoundRect(const QRectF& box, QSizeF corner)
{
    QPainterPath shape;
    shape.addRoundedRect(
        box.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    Draw(shape, true, true);
}

void MetafileCanvas::Ellipse(const QRectF& box)
{
    QPainterPath shape;
    shape.addEllipse(box.normalized());
    Draw(shape, true, true);
}

void MetafileCanvas::Arc(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end)
{
    const QRectF box = rawBox.normalized();
    const double from = ParametricAngle(box, start);
    double sweep = ParametricAngle(box, end) - from;
    if (sweep <= 0)
        sweep += 360;
    QPainterPath shape;
    if (kind == ArcKind::Pie)
        shape.moveTo(box.center());
    else if (kind == ArcKind::ArcTo)
        shape.moveTo(dc_.State().position);
    else
        shape.arcMoveTo(box, from);
    shape.arcTo(box, from, sweep);
    if (kind == ArcKind::Chord || kind == ArcKind::Pie)
        shape.closeSubpath();
    if (kind == ArcKind::ArcTo)
        dc_.State().position = shape.currentPosition();
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    Draw(shape, closed, true);
}

void MetafileCanvas::PatternFill(const QRectF& box, quint32 rop)
{
    const quint32 op = rop >> 16;
    if (op == 0xAA || pathOpen_ || dc_.State().skipDrawing) // the target left as it is
        return;
    if (op != 0x00 && op != 0xFF) {
        QPainterPath shape;
        shape.addRect(box.normalized());
        Draw(shape, true, false);
        return;
    }
    Prepare();
    painter_.fillRect(box.normalized(), op == 0 ? Qt::black : Qt::white);
}

void MetafileCanvas::Fill(const QPainterPath& shape, const QBrush& brush)
{
    if (pathOpen_ || dc_.State().skipDrawing)
        return;
    Prepare();
    painter_.fillPath(shape, brush);
}

void MetafileCanvas::Image(
    const QRectF& target, const QImage& image, const QRectF& source, quint32 rop)
{
    if (pathOpen_ || dc_.State().skipDrawing || (rop >> 16) == 0xAA)
        return;
    Prepare();
    painter_.setCompositionMode(RopComposition(rop));
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    if (source.width() <= 0 || source.height() <= 0)
        return;
    // A target running backwards (as with y growing upward) mirrors the bitmap, as GDI does.
    painter_.translate(target.topLeft());
    painter_.scale(target.width() / source.width(), target.height() / source.height());
    painter_.drawImage(QPointF(0, 0), image, source);
}

void MetafileCanvas::BeginPath()
{
    path_ = QPainterPath();
    pathOpen_ = true;
}

void MetafileCanvas::CloseFigure()
{
    if (pathOpen_)
        path_.closeSubpath();
}

void MetafileCanvas::AbortPath()
{
    path_ = QPainterPath();
    pathOpen_ = false;
}

void MetafileCanvas::FinishPath(bool fill, bool stroke)
{
    pathOpen_ = false;
    const QPainterPath shape = path_;
    path_ = QPainterPath();
    Draw(shape, fill, stroke);
}

void MetafileCanvas::SelectClipPath()
{
    pathOpen_ = false;
    QPainterPath shape = path_;
    shape.setFillRule(dc_.State().fillRule);
    path_ = QPainterPath();
    dc_.IntersectClip(shape);
}

void MetafileCanvas::Text(const TextRun& run)
{
    MetafileState& s = dc_.State();
    if (pathOpen_ || s.skipDrawing || run.text.isEmpty() || run.text.size() > kMaxTextLength)
        return;
    Prepare();
    const QTransform toPicture = dc_.LogicalToPicture();
    if (run.options & kEtoOpaque)
        painter_.fillRect(run.rect.normalized(), s.backgroundColour);
    if (run.options & kEtoClipped)
        painter_.setClipRect(run.rect.normalized(), Qt::IntersectClip);
    // Text is drawn upright in picture pixels, so a mapping with y growing upward cannot flip it.
    const double yScale = std::hypot(toPicture.m21(), toPicture.m22());
    const QFont font = MetafileText::PictureFont(
        s.font, std::abs(s.font.height == 0 ? 12 : s.font.height) * yScale);
    const QFontMetricsF metrics(font);
    const std::vector<double> offsets = MetafileText::LayOut(
        run.text, run.advances, metrics, std::hypot(toPicture.m11(), toPicture.m12()));
    const double width = offsets.back();
    const QPointF at = toPicture.map((s.textAlign & kTaUpdateCp) ? s.position : run.reference);
    const double angle = -s.font.escapement / 10
        + std::atan2(toPicture.m12(), toPicture.m11()) * 180 / std::numbers::pi;
    const QPointF start = MetafileText::AlignmentOffset(s.textAlign, width, metrics);
    painter_.setTransform(QTransform().translate(at.x(), at.y()).rotate(angle));
    painter_.setFont(font);
    if (s.opaqueBackground && !(run.options & kEtoOpaque))
        painter_.fillRect(QRectF(start.x(), start.y() - metrics.ascent(), width, metrics.height()),
            s.backgroundColour);
    painter_.setPen(s.textColour);
    if (qsizetype(run.advances.size()) < run.text.size()) // the font's own spacing and shaping
        painter_.drawText(start, run.text);
    else
        for (qsizetype i = 0; i < run.text.size(); ++i)
            painter_.drawText(start + QPointF(offsets[size_t(i)], 0), QString(run.text.at(i)));
    if (s.textAlign & kTaUpdateCp)
        s.position
            = toPicture.inverted().map(at + QTransform().rotate(angle).map(QPointF(width, 0)));
}

} // namespace gb::formats
