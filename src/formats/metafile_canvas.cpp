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

    double Scale(const QTransform& t) { return std::hypot(t.m11(), t.m12()); }

    // A user style's lengths come in logical units, or the recording device's for a cosmetic
    // pen; Qt takes them in pen widths. Dashes under a pixel would only keep Qt's dasher busy
    // on a reduced picture.
    void SetUserDashes(QPen& pen, const MetafilePen& p, const MetafileDc& dc)
    {
        const bool cosmetic = p.width == 0;
        const double perUnit = Scale(cosmetic ? dc.DeviceToPicture() : dc.LogicalToPicture());
        const double width = cosmetic ? 1 : p.width * perUnit;
        if (width <= 1) { // drawn a pixel wide, whatever the width asked for
            pen.setWidth(0);
            pen.setCosmetic(true);
        }
        QList<qreal> pattern;
        for (const double length : p.dashes)
            pattern.append(qMax(1.0, length * perUnit) / qMax(width, 1.0));
        if (pattern.size() % 2) // an odd count runs through twice, dashes and gaps swapping
            pattern += pattern;
        pen.setDashPattern(pattern);
    }

    QPen ToPen(const MetafilePen& p, const MetafileDc& dc)
    {
        if (!p.visible || p.style == Qt::NoPen)
            return Qt::NoPen;
        QPen pen(p.colour, p.width, p.style, Qt::RoundCap, Qt::RoundJoin);
        pen.setCosmetic(p.width <= 1 && p.style != Qt::SolidLine ? true : p.width == 0);
        if (!p.dashes.empty())
            SetUserDashes(pen, p, dc);
        return pen;
    }

    QBrush ToBrush(const MetafileState& s)
    {
        const MetafileBrush& b = s.brush;
        if (!b.visible || b.style == Qt::NoBrush)
            return Qt::NoBrush;
        if (b.style == Qt::TexturePattern && b.twoTone) {
            QImage tinted = b.pattern;
            tinted.setColorTable({ s.textColour.rgb(), s.backgroundColour.rgb() });
            return QBrush(tinted);
        }
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

    QBrush Paper(const QBrush& brush) { return brush.style() == Qt::NoBrush ? brush : Qt::white; }

} // namespace

MetafileCanvas::MetafileCanvas(QPainter& painter, MetafileDc& dc, MetafileBudget& budget)
    : painter_(painter)
    , dc_(dc)
    , budget_(budget)
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
    painter_.setPen(ToPen(s.pen, dc_));
    painter_.setBrush(ToBrush(s));
    painter_.setBackgroundMode(s.opaqueBackground ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_.setBackground(s.backgroundColour);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void MetafileCanvas::Combine(quint8 mix, const std::function<void(bool paper)>& paint)
{
    if (mix == MetafileMix::kLeaveAlone)
        return;
    if (mix == MetafileMix::kCopy) {
        paint(false);
        return;
    }
    // GDI's raster operations know no partial coverage; smoothed edges would come out solid.
    const bool smooth = painter_.testRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    if (MetafileMix::ReadsPicture(mix)) { // what nothing has drawn on yet is white paper
        painter_.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        paint(true);
    }
    painter_.setCompositionMode(MetafileMix::Composition(mix));
    paint(false);
    painter_.setRenderHint(QPainter::Antialiasing, smooth);
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
    // A pen as wide as the reach limit is no outline but a corrupt width; it is left out.
    const QPen pen = painter_.pen();
    const double penPixels = pen.widthF() * Scale(painter_.transform());
    const bool outlined = stroke && pen.style() != Qt::NoPen && penPixels < kMaxCurveReach;
    const double width = !outlined ? 0 : pen.isCosmetic() ? 1 : std::max(penPixels, 1.0);
    const QRectF reach = dc_.LogicalToPicture().mapRect(shape.controlPointRect());
    if (!budget_.Spend(budget_.PathWork(shape, dc_.LogicalToPicture(), fill, width)))
        return;
    drawn_.Mark(reach, true);
    QPainterPath filled = shape;
    filled.setFillRule(dc_.State().fillRule);
    const QBrush brush = painter_.brush();
    Combine(dc_.State().mix, [&](bool paper) {
        if (fill)
            painter_.fillPath(filled, paper ? Paper(brush) : brush);
        QPen outline = pen;
        if (paper)
            outline.setColor(Qt::white);
        if (outlined)
            painter_.strokePath(shape, outline);
    });
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
    const QRectF area = dc_.LogicalToPicture().mapRect(box.normalized());
    if (pathOpen_ || dc_.State().skipDrawing
        || !budget_.Spend(budget_.Covered(area) * MetafileBudget::kPaintedPixel))
        return;
    drawn_.Mark(area, true);
    Prepare();
    const quint8 mix = MetafileMix::FromPatternRop(rop);
    // Blackness, whiteness and inverting the picture fill even with the null brush selected.
    const QBrush brush = MetafileMix::ReadsSource(mix) ? painter_.brush() : QBrush(Qt::black);
    Combine(mix,
        [&](bool paper) { painter_.fillRect(box.normalized(), paper ? Paper(brush) : brush); });
}

void MetafileCanvas::Fill(const QPainterPath& shape, const QBrush& brush)
{
    const QRectF reach = dc_.LogicalToPicture().mapRect(shape.controlPointRect());
    if (pathOpen_ || dc_.State().skipDrawing
        || !budget_.Spend(budget_.PathWork(shape, dc_.LogicalToPicture(), true, 0)))
        return;
    drawn_.Mark(reach, true);
    Prepare();
    Combine(dc_.State().mix,
        [&](bool paper) { painter_.fillPath(shape, paper ? Paper(brush) : brush); });
}

void MetafileCanvas::Image(
    const QRectF& target, const QImage& image, const QRectF& source, quint32 rop)
{
    const QRectF area = dc_.LogicalToPicture().mapRect(target.normalized());
    if (pathOpen_ || dc_.State().skipDrawing || source.width() <= 0 || source.height() <= 0
        || !budget_.Spend(budget_.Covered(area) * MetafileBudget::kBitmapPixel))
        return;
    drawn_.Mark(area, true);
    Prepare();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    // A target running backwards (as with y growing upward) mirrors the bitmap, as GDI does.
    painter_.translate(target.topLeft());
    painter_.scale(target.width() / source.width(), target.height() / source.height());
    Combine(MetafileMix::FromBitmapRop(rop), [&](bool paper) {
        if (paper)
            painter_.fillRect(QRectF(QPointF(0, 0), source.size()), Qt::white);
        else
            painter_.drawImage(QPointF(0, 0), image, source);
    });
}

void MetafileCanvas::Erase(QPainter& painter, QSizeF picture)
{
    painter.save();
    painter.resetTransform();
    painter.setClipping(false);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(QRectF(QPointF(), picture), Qt::transparent);
    painter.restore();
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
    const QTransform toPicture = dc_.LogicalToPicture();
    // Text is drawn upright in picture pixels, so a mapping with y growing upward cannot flip it.
    const double yScale = std::hypot(toPicture.m21(), toPicture.m22());
    const QFont font = MetafileText::PictureFont(
        s.font, std::abs(s.font.height == 0 ? 12 : s.font.height) * yScale);
    const qint64 opaque
        = run.options & kEtoOpaque ? budget_.Covered(toPicture.mapRect(run.rect.normalized())) : 0;
    if (!budget_.Spend(budget_.TextWork(run.text.size(), font.pixelSize())
            + opaque * MetafileBudget::kPaintedPixel))
        return;
    Prepare();
    if (run.options & kEtoOpaque)
        painter_.fillRect(run.rect.normalized(), s.backgroundColour);
    if (run.options & kEtoClipped)
        painter_.setClipRect(run.rect.normalized(), Qt::IntersectClip);
    const QString text
        = MetafileText::IsSymbol(s.font) ? MetafileText::FromSymbol(run.text) : run.text;
    const QFontMetricsF metrics(font);
    const std::vector<double> offsets
        = MetafileText::LayOut(text, run.advances, metrics, Scale(toPicture));
    const double width = offsets.back();
    const QPointF at = toPicture.map((s.textAlign & kTaUpdateCp) ? s.position : run.reference);
    const double angle = -s.font.escapement / 10
        + std::atan2(toPicture.m12(), toPicture.m11()) * 180 / std::numbers::pi;
    const QPointF start = MetafileText::AlignmentOffset(s.textAlign, width, metrics);
    painter_.setTransform(QTransform().translate(at.x(), at.y()).rotate(angle));
    drawn_.Mark(painter_.transform().mapRect(
                    QRectF(start.x(), start.y() - metrics.ascent(), width, metrics.height())),
        false);
    painter_.setFont(font);
    if (s.opaqueBackground && !(run.options & kEtoOpaque))
        painter_.fillRect(QRectF(start.x(), start.y() - metrics.ascent(), width, metrics.height()),
            s.backgroundColour);
    painter_.setPen(s.textColour);
    if (qsizetype(run.advances.size()) < text.size()) // the font's own spacing and shaping
        painter_.drawText(start, text);
    else
        for (qsizetype i = 0; i < text.size(); ++i)
            painter_.drawText(start + QPointF(offsets[size_t(i)], 0), QString(text.at(i)));
    if (s.textAlign & kTaUpdateCp)
        s.position
            = toPicture.inverted().map(at + QTransform().rotate(angle).map(QPointF(width, 0)));
}

} // namespace gb::formats
