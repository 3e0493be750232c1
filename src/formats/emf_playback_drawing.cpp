// The drawing half of EmfPlayback: shapes, lines, paths, text and bitmaps.
#include "formats/emf_playback.h"

#include "formats/metafile_dib.h"
#include "formats/metafile_text.h"

#include <QLinearGradient>
#include <algorithm>

namespace gb::formats {

std::optional<QPolygonF> EmfPlayback::Points(qint64 at, qint64 count, bool small) const
{
    const qint64 step = small ? 4 : 8;
    if (count < 0 || count > r_.Size() || !r_.Fits(at, count * step))
        return std::nullopt;
    QPolygonF points;
    points.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        points.append(small ? r_.Point16(at + i * step) : r_.Point32(at + i * step));
    return points;
}

bool EmfPlayback::PlayShape(EmfRecord type)
{
    using Kind = MetafileCanvas::ArcKind;
    const QRectF box = r_.Rect32(8);
    switch (type) {
    case EmfRecord::MoveToEx:
        canvas_.MoveTo(r_.Point32(8));
        break;
    case EmfRecord::LineTo:
        canvas_.LineTo(r_.Point32(8));
        break;
    case EmfRecord::Ellipse:
        canvas_.Ellipse(box);
        break;
    case EmfRecord::Rectangle:
        canvas_.Rectangle(box);
        break;
    case EmfRecord::RoundRect:
        canvas_.RoundRect(box, QSizeF(r_.S32(24), r_.S32(28)));
        break;
    case EmfRecord::Arc:
    case EmfRecord::Chord:
    case EmfRecord::Pie:
    case EmfRecord::ArcTo: {
        const Kind kind = type == EmfRecord::Arc ? Kind::Arc
            : type == EmfRecord::Chord           ? Kind::Chord
            : type == EmfRecord::Pie             ? Kind::Pie
                                                 : Kind::ArcTo;
        canvas_.Arc(kind, box, r_.Point32(24), r_.Point32(32));
        break;
    }
    default:
        break;
    }
    return true;
}

bool EmfPlayback::PlayPoly(EmfRecord type)
{
    // Each of these comes with 32-bit points and, numbered from POLYBEZIER16 on, 16-bit ones.
    using R = EmfRecord;
    const auto either = [type](R wide, R small) { return type == wide || type == small; };
    const bool small = type == R::PolyBezier16 || type == R::Polygon16 || type == R::Polyline16
        || type == R::PolyBezierTo16 || type == R::PolylineTo16;
    if (!small && type != R::PolyBezier && type != R::Polygon && type != R::Polyline
        && type != R::PolyBezierTo && type != R::PolylineTo)
        return true;
    const auto points = Points(28, r_.U32(24), small);
    if (!points)
        return false;
    if (either(R::PolyBezier, R::PolyBezier16))
        canvas_.PolyBezier(*points);
    else if (either(R::Polygon, R::Polygon16))
        canvas_.PolyPolygon({ *points });
    else if (either(R::Polyline, R::Polyline16))
        canvas_.Polyline(*points);
    else if (either(R::PolyBezierTo, R::PolyBezierTo16))
        canvas_.PolyBezierTo(*points);
    else
        canvas_.PolylineTo(*points);
    return true;
}

bool EmfPlayback::PlayPolyPoly(EmfRecord type)
{
    const bool lines = type == EmfRecord::PolyPolyline || type == EmfRecord::PolyPolyline16;
    const bool small = type == EmfRecord::PolyPolyline16 || type == EmfRecord::PolyPolygon16;
    if (!lines && !small && type != EmfRecord::PolyPolygon)
        return true;
    const qint64 polygons = r_.U32(24), total = r_.U32(28);
    if (!r_.Fits(32, polygons * 4))
        return false;
    qint64 at = 32 + polygons * 4, used = 0;
    std::vector<QPolygonF> shapes;
    for (qint64 i = 0; i < polygons; ++i) {
        const qint64 count = r_.U32(32 + i * 4);
        used += count;
        const auto points = Points(at, count, small);
        if (!points || used > total)
            return false;
        shapes.push_back(*points);
        at += count * (small ? 4 : 8);
    }
    if (lines)
        canvas_.PolyPolyline(shapes);
    else
        canvas_.PolyPolygon(shapes);
    return true;
}

bool EmfPlayback::PlayPath(EmfRecord type)
{
    switch (type) {
    case EmfRecord::BeginPath:
        canvas_.BeginPath();
        break;
    case EmfRecord::EndPath:
        canvas_.EndPath();
        break;
    case EmfRecord::CloseFigure:
        canvas_.CloseFigure();
        break;
    case EmfRecord::FillPath:
        canvas_.FillPath();
        break;
    case EmfRecord::StrokeAndFillPath:
        canvas_.StrokeAndFillPath();
        break;
    case EmfRecord::StrokePath:
        canvas_.StrokePath();
        break;
    case EmfRecord::SelectClipPath:
        canvas_.SelectClipPath();
        break;
    case EmfRecord::AbortPath:
        canvas_.AbortPath();
        break;
    default:
        break;
    }
    return true;
}

bool EmfPlayback::PlayText(EmfRecord type)
{
    const bool wide = type == EmfRecord::ExtTextOutW;
    if (!wide && type != EmfRecord::ExtTextOutA)
        return true;
    if (!r_.Fits(36, 40))
        return false;
    const qint64 chars = r_.U32(44), at = r_.U32(48), dx = r_.U32(72);
    if (!r_.Fits(at, chars * (wide ? 2 : 1)))
        return false;
    MetafileCanvas::TextRun run;
    run.reference = r_.Point32(36);
    run.options = r_.U32(52);
    run.rect = r_.Rect32(56);
    if (wide)
        for (qint64 i = 0; i < chars; ++i)
            run.text.append(QChar(r_.U16(at + i * 2)));
    else
        run.text = MetafileText::DecodeAnsi(r_.Part(at, chars), dc_.State().font.charset);
    if (dx != 0 && r_.Fits(dx, chars * 4) && run.text.size() == chars)
        for (qint64 i = 0; i < chars; ++i)
            run.advances.push_back(r_.S32(dx + i * 4));
    canvas_.Text(run);
    return true;
}

std::optional<QImage> EmfPlayback::Bitmap(qint64 fieldsAt) const
{
    // offBmi, cbBmi, offBits, cbBits: each part must lie inside the record.
    const qint64 infoAt = r_.U32(fieldsAt), infoSize = r_.U32(fieldsAt + 4);
    const qint64 bitsAt = r_.U32(fieldsAt + 8), bitsSize = r_.U32(fieldsAt + 12);
    if (infoSize == 0 || !r_.Fits(infoAt, infoSize) || !r_.Fits(bitsAt, bitsSize))
        return std::nullopt;
    auto image = MetafileDib::Decode(r_.Part(infoAt, infoSize), r_.Part(bitsAt, bitsSize));
    if (image && !budget_.Spend(MetafileBudget::DecodeWork(*image)))
        image.reset();
    return image;
}

bool EmfPlayback::PlayBitmap(EmfRecord type)
{
    // BITBLT, STRETCHBLT, ALPHABLEND and TRANSPARENTBLT share one layout; STRETCHDIBITS and
    // SETDIBITSTODEVICE another.
    const bool bitBlt = type == EmfRecord::BitBlt, stretchDib = type == EmfRecord::StretchDiBits;
    const bool blt = bitBlt || type == EmfRecord::StretchBlt || type == EmfRecord::AlphaBlend
        || type == EmfRecord::TransparentBlt;
    if (!blt && !stretchDib && type != EmfRecord::SetDiBitsToDevice)
        return true;
    if (!r_.Fits(0, blt ? (bitBlt ? 100 : 108) : (stretchDib ? 80 : 76)))
        return false;
    const QRectF target = blt ? QRectF(r_.S32(24), r_.S32(28), r_.S32(32), r_.S32(36))
                              : QRectF(r_.S32(24), r_.S32(28), r_.S32(40), r_.S32(44));
    if (blt && r_.U32(88) == 0) { // no bitmap: a fill with the brush
        canvas_.PatternFill(target, r_.U32(40));
        return true;
    }
    const auto image = Bitmap(blt ? 84 : 48);
    if (!image)
        return true; // a bitmap we cannot read is left out
    QRectF source(r_.S32(blt ? 44 : 32), r_.S32(blt ? 48 : 36), 0, 0);
    if (blt)
        source.setSize(bitBlt ? target.size() : QSizeF(r_.S32(100), r_.S32(104)));
    else
        source.setSize(QSizeF(r_.S32(40), r_.S32(44)));
    QRectF placed = target;
    if (stretchDib)
        placed.setSize(QSizeF(r_.S32(72), r_.S32(76)));
    // Bottom-up rows: the source's y counts from the bitmap's last row.
    source.moveTop(image->height() - source.top() - source.height());
    const quint32 rop = stretchDib                ? r_.U32(68)
        : bitBlt || type == EmfRecord::StretchBlt ? r_.U32(40)
                                                  : kSrcCopy;
    canvas_.Image(placed, *image, source, rop);
    return true;
}

bool EmfPlayback::PlayClipRegion()
{
    // Region rectangles are in device units.
    const qint64 size = r_.U32(8);
    const auto mode = RegionMode(r_.U32(12));
    if (mode == RegionMode::Copy && size == 0) {
        dc_.SetClip(std::nullopt);
        return true;
    }
    const qint64 count = r_.U32(24);
    if (size < 32 || !r_.Fits(16, size) || !r_.Fits(48, count * 16))
        return true;
    if (!budget_.Spend(count * MetafileBudget::kRegionRectangle))
        return true; // the walk ends at the next record
    QPainterPath area;
    for (qint64 i = 0; i < count; ++i)
        area.addRect(r_.Rect32(48 + i * 16));
    area = dc_.DeviceToPicture().map(area.simplified());
    const auto& clip = dc_.State().clip;
    if (mode == RegionMode::And && clip)
        dc_.SetClip(clip->intersected(area));
    else if (mode == RegionMode::Or && clip)
        dc_.SetClip(clip->united(area));
    else if (mode == RegionMode::And || mode == RegionMode::Copy)
        dc_.SetClip(area);
    return true;
}

bool EmfPlayback::PlayGradient()
{
    // Vertices of 16 bytes (x, y, then 16-bit red, green, blue, alpha), then the shapes: pairs
    // of vertex numbers for rectangles, triples for triangles.
    const qint64 vertices = r_.U32(24), shapes = r_.U32(28);
    const auto mode = GradientMode(r_.U32(32));
    const qint64 shapeAt = 36 + vertices * 16, indices = mode == GradientMode::Triangles ? 3 : 2;
    if (!r_.Fits(36, vertices * 16) || !r_.Fits(shapeAt, shapes * indices * 4))
        return false;
    const auto vertex = [&](qint64 i) { return r_.Point32(36 + i * 16); };
    const auto colour = [&](qint64 i) {
        return QColor(r_.U16(44 + i * 16) >> 8, r_.U16(46 + i * 16) >> 8, r_.U16(48 + i * 16) >> 8);
    };
    for (qint64 s = 0; s < shapes; ++s) {
        std::vector<qint64> corner;
        for (qint64 k = 0; k < indices; ++k)
            corner.push_back(r_.U32(shapeAt + (s * indices + k) * 4));
        if (std::any_of(corner.begin(), corner.end(), [&](qint64 i) { return i >= vertices; }))
            return true; // a shape naming a vertex that is not there ends the record
        QPainterPath shape;
        if (mode == GradientMode::Triangles) { // their vertices' colours, mixed evenly
            shape.addPolygon(QPolygonF { vertex(corner[0]), vertex(corner[1]), vertex(corner[2]) });
            const QColor a = colour(corner[0]), b = colour(corner[1]), c = colour(corner[2]);
            canvas_.Fill(shape,
                QColor((a.red() + b.red() + c.red()) / 3, (a.green() + b.green() + c.green()) / 3,
                    (a.blue() + b.blue() + c.blue()) / 3));
            continue;
        }
        const QRectF box = QRectF(vertex(corner[0]), vertex(corner[1])).normalized();
        shape.addRect(box);
        QLinearGradient ramp(
            box.topLeft(), mode == GradientMode::Horizontal ? box.topRight() : box.bottomLeft());
        ramp.setColorAt(0, colour(corner[0]));
        ramp.setColorAt(1, colour(corner[1]));
        canvas_.Fill(shape, ramp);
    }
    return true;
}

} // namespace gb::formats
