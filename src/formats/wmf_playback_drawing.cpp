// The drawing half of WmfPlayback: shapes, lines, text and bitmaps.
#include "formats/wmf_playback.h"

#include "formats/metafile_dib.h"
#include "formats/metafile_text.h"

#include <cmath>

namespace gb::formats {

bool WmfPlayback::PlayShape(WmfFunction function)
{
    using Kind = MetafileCanvas::ArcKind;
    const QPointF yx(r_.S16(8), r_.S16(6));
    switch (function) {
    case WmfFunction::MoveTo:
        canvas_.MoveTo(yx);
        break;
    case WmfFunction::LineTo:
        canvas_.LineTo(yx);
        break;
    case WmfFunction::Rectangle:
        canvas_.Rectangle(Box(6));
        break;
    case WmfFunction::Ellipse:
        canvas_.Ellipse(Box(6));
        break;
    case WmfFunction::RoundRect:
        canvas_.RoundRect(Box(10), QSizeF(r_.S16(8), r_.S16(6)));
        break;
    case WmfFunction::PatBlt: // rop, height, width, y, x
        canvas_.PatternFill(QRectF(r_.S16(16), r_.S16(14), r_.S16(12), r_.S16(10)), r_.U32(6));
        break;
    case WmfFunction::Arc:
    case WmfFunction::Pie:
    case WmfFunction::Chord: {
        const Kind kind = function == WmfFunction::Arc ? Kind::Arc
            : function == WmfFunction::Pie             ? Kind::Pie
                                                       : Kind::Chord;
        canvas_.Arc(kind, Box(14), QPointF(r_.S16(12), r_.S16(10)), QPointF(r_.S16(8), r_.S16(6)));
        break;
    }
    default:
        break;
    }
    return true;
}

bool WmfPlayback::PlayPoly(WmfFunction function)
{
    if (function == WmfFunction::Polygon || function == WmfFunction::Polyline) {
        const auto points = Points(8, r_.U16(6));
        if (!points)
            return false;
        if (function == WmfFunction::Polygon)
            canvas_.PolyPolygon({ *points });
        else
            canvas_.Polyline(*points);
    } else if (function == WmfFunction::PolyPolygon) {
        const qint64 polygons = r_.U16(6);
        if (!r_.Fits(8, polygons * 2))
            return false;
        std::vector<QPolygonF> shapes;
        qint64 at = 8 + polygons * 2;
        for (qint64 i = 0; i < polygons; ++i) {
            const qint64 count = r_.U16(8 + i * 2);
            const auto points = Points(at, count);
            if (!points)
                return false;
            shapes.push_back(*points);
            at += count * 4;
        }
        canvas_.PolyPolygon(shapes);
    }
    return true;
}

bool WmfPlayback::PlayText(WmfFunction function)
{
    MetafileCanvas::TextRun run;
    const quint8 charset = dc_.State().font.charset;
    if (function == WmfFunction::TextOut) { // length, string (to an even size), y, x
        const qint64 length = r_.U16(6), padded = (length + 1) / 2 * 2;
        if (!r_.Fits(8, padded + 4))
            return false;
        run.text = MetafileText::DecodeAnsi(r_.Part(8, length), charset);
        run.reference = QPointF(r_.S16(10 + padded), r_.S16(8 + padded));
    } else if (function
        == WmfFunction::ExtTextOut) { // y, x, length, options, [rect], string, [advances]
        const qint64 length = r_.U16(10);
        run.options = r_.U16(12);
        const bool hasRect = run.options & 6;
        const qint64 at = hasRect ? 22 : 14, padded = (length + 1) / 2 * 2;
        if (!r_.Fits(at, length))
            return false;
        run.reference = QPointF(r_.S16(8), r_.S16(6));
        if (hasRect)
            run.rect = QRectF(QPointF(r_.S16(14), r_.S16(16)), QPointF(r_.S16(18), r_.S16(20)));
        run.text = MetafileText::DecodeAnsi(r_.Part(at, length), charset);
        // Advances are per byte; a double-byte character's second one is added to its first.
        if (r_.Fits(at + padded, length * 2) && run.text.size() == length)
            for (qint64 i = 0; i < length; ++i)
                run.advances.push_back(r_.S16(at + padded + i * 2));
    } else {
        return true;
    }
    canvas_.Text(run);
    return true;
}

bool WmfPlayback::PlayBitmap(WmfFunction function)
{
    // With the bitmap: rop or colour usage, [source size], source origin, target size, target
    // origin, then the bitmap. STRETCHDIB has both a rop and a colour usage; SETDIBTODEV copies
    // with no rop and a scan range we ignore.
    qint64 at = 10;
    if (function == WmfFunction::StretchDib || function == WmfFunction::SetDibToDev)
        at = 12;
    else if (function != WmfFunction::DibBitBlt && function != WmfFunction::DibStretchBlt)
        return true;
    const qint64 fixed = function == WmfFunction::DibBitBlt ? 12 : 14;
    if (at == 10 && r_.Size() == fixed * 2) { // the bitmap-less form fills with the brush
        const qint64 end = r_.Size();
        canvas_.PatternFill(
            QRectF(r_.S16(end - 2), r_.S16(end - 4), r_.S16(end - 6), r_.S16(end - 8)), r_.U32(6));
        return true;
    }
    const bool stretched
        = function == WmfFunction::DibStretchBlt || function == WmfFunction::StretchDib;
    const QSizeF sourceSize = stretched ? QSizeF(r_.S16(at + 2), r_.S16(at)) : QSizeF();
    if (stretched)
        at += 4;
    const QPointF sourceAt(r_.S16(at + 2), r_.S16(at));
    const QSizeF targetSize(r_.S16(at + 6), r_.S16(at + 4));
    const QPointF targetAt(r_.S16(at + 10), r_.S16(at + 8));
    const auto image = MetafileDib::DecodePacked(r_.Part(at + 12, r_.Size() - at - 12));
    if (!image) // a bitmap we cannot read is left out, the rest of the picture still drawn
        return true;
    if (!budget_.Spend(MetafileBudget::DecodeWork(*image)))
        return true; // the walk ends at the next record
    const QSizeF size = stretched ? sourceSize : targetSize;
    // Bottom-up rows: the source's y counts from the bitmap's last row.
    const QRectF source(
        sourceAt.x(), image->height() - sourceAt.y() - size.height(), size.width(), size.height());
    const quint32 rop = function == WmfFunction::SetDibToDev ? kSrcCopy : r_.U32(6);
    canvas_.Image(QRectF(targetAt, targetSize), *image, source, rop);
    return true;
}

} // namespace gb::formats
