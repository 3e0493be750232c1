#include "formats/wmf_playback.h"

#include "formats/metafile_budget.h"
#include "formats/metafile_dib.h"
#include "formats/metafile_text.h"

#include <cmath>

namespace gb::formats {

namespace {

    QColor ColourRef(const ByteView& r, qint64 at)
    {
        return QColor(r.U8(at), r.U8(at + 1), r.U8(at + 2));
    }

} // namespace

bool WmfPlayback::Walk(
    const ByteView& file, qint64 first, MetafileBudget& budget, const Visitor& visit)
{
    for (qint64 at = first; at < file.Size();) {
        if (!file.Fits(at, 6) || !budget.Spend(MetafileBudget::kRecord))
            return false;
        const qint64 bytes = qint64(file.U32(at)) * 2;
        if (bytes < 6 || !file.Fits(at, bytes))
            return false;
        const WmfRecord record { WmfFunction(file.U16(at + 4)), file.Part(at, bytes) };
        if (record.function == WmfFunction::Eof)
            break;
        if (!visit(record))
            return false;
        at += bytes;
    }
    return !budget.Exhausted();
}

WmfPlayback::WmfPlayback(QPainter& painter, const WmfHeader& header, QSizeF picture,
    const QTransform& fit, MetafileBudget& budget)
    : dc_(MetafileDc::Mapping::WindowFillsPicture, picture, fit, {})
    , canvas_(painter, dc_, budget)
    , budget_(budget)
{
    dc_.ResizeTable(header.objects);
    dc_.State().windowOrg = header.window.topLeft();
    dc_.State().windowExt = header.window.size();
}

bool WmfPlayback::Play(const WmfRecord& record)
{
    r_ = record.data;
    for (auto step : { &WmfPlayback::PlayState, &WmfPlayback::PlayMapping, &WmfPlayback::PlayObject,
             &WmfPlayback::PlayShape, &WmfPlayback::PlayPoly, &WmfPlayback::PlayText,
             &WmfPlayback::PlayBitmap })
        if (!(this->*step)(record.function))
            return false;
    return budget_.Spend(MetafileBudget::ClipWork(dc_.State().clip));
}

std::optional<QPolygonF> WmfPlayback::Points(qint64 at, qint64 count) const
{
    if (count < 0 || !r_.Fits(at, count * 4))
        return std::nullopt;
    QPolygonF points;
    points.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        points.append(r_.Point16(at + i * 4));
    return points;
}

QRectF WmfPlayback::Box(qint64 at) const
{
    return QRectF(QPointF(r_.S16(at + 6), r_.S16(at + 4)), QPointF(r_.S16(at + 2), r_.S16(at)));
}

bool WmfPlayback::PlayState(WmfFunction function)
{
    MetafileState& s = dc_.State();
    switch (function) {
    case WmfFunction::SetBkColor:
        s.backgroundColour = ColourRef(r_, 6);
        break;
    case WmfFunction::SetTextColor:
        s.textColour = ColourRef(r_, 6);
        break;
    case WmfFunction::SetBkMode:
        s.opaqueBackground = r_.U16(6) == kOpaqueBackground;
        break;
    case WmfFunction::SetRop2:
        dc_.SetRop2(r_.U16(6));
        break;
    case WmfFunction::SetPolyFillMode:
        s.fillRule = r_.U16(6) == kWindingFill ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case WmfFunction::SetTextAlign:
        s.textAlign = r_.U16(6);
        break;
    case WmfFunction::SaveDc:
        dc_.Save();
        break;
    case WmfFunction::RestoreDc:
        dc_.Restore(r_.S16(6));
        break;
    default:
        break;
    }
    return true;
}

bool WmfPlayback::PlayMapping(WmfFunction function)
{
    MetafileState& s = dc_.State();
    const QPointF yx(r_.S16(8), r_.S16(6)); // these records store y before x
    switch (function) {
    case WmfFunction::SetMapMode:
        s.mapMode = r_.U16(6);
        break;
    case WmfFunction::SetWindowOrg:
        s.windowOrg = yx;
        break;
    case WmfFunction::SetWindowExt:
        s.windowExt = QSizeF(yx.x(), yx.y());
        break;
    case WmfFunction::OffsetWindowOrg:
        s.windowOrg += yx;
        break;
    case WmfFunction::ScaleWindowExt: { // y denominator, y numerator, x denominator, x numerator
        const double yd = r_.S16(6), yn = r_.S16(8), xd = r_.S16(10), xn = r_.S16(12);
        if (xd != 0 && yd != 0)
            s.windowExt = QSizeF(s.windowExt.width() * xn / xd, s.windowExt.height() * yn / yd);
        break;
    }
    case WmfFunction::IntersectClipRect: {
        QPainterPath area;
        area.addRect(Box(6).normalized());
        dc_.IntersectClip(area);
        break;
    }
    case WmfFunction::ExcludeClipRect: {
        QPainterPath area;
        area.addRect(Box(6).normalized());
        dc_.ExcludeClip(area);
        break;
    }
    case WmfFunction::SelectClipRegion:
        dc_.SelectClipRegion(r_.U16(6));
        break;
    default:
        break;
    }
    return true;
}

MetafileObject WmfPlayback::ReadRegion() const
{
    // Region: next in chain, object type, object count (4), region size, scan count, max scan,
    // bounding box (8), then the scans: count, top, bottom, count/2 pairs of left and right,
    // and count again.
    constexpr qint64 params = 6;
    MetafileRegion region;
    if (!r_.Fits(params, 22))
        return region;
    const int scans = r_.U16(params + 10);
    // Clipping to a path of thousands of rectangles is slow enough to stall a thumbnail; a
    // region that detailed is clipped to its bounding box instead.
    constexpr int kMostRectangles = 1024;
    int rectangles = 0;
    qint64 at = params + 22;
    for (int scan = 0; scan < scans && r_.Fits(at, 6); ++scan) {
        const int words = r_.U16(at);
        const qint64 length = 6 + 2 * static_cast<qint64>(words) + 2;
        if (!r_.Fits(at, length))
            break;
        const double top = r_.S16(at + 2);
        const double bottom = r_.S16(at + 4);
        for (int pair = 0; pair + 1 < words; pair += 2) {
            const double left = r_.S16(at + 6 + 2 * pair);
            const double right = r_.S16(at + 8 + 2 * pair);
            region.area.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
            ++rectangles;
        }
        at += length;
    }
    budget_.Spend(rectangles * MetafileBudget::kRegionRectangle);
    if (rectangles > kMostRectangles) {
        region.area = QPainterPath();
        region.area.addRect(QRectF(QPointF(r_.S16(params + 14), r_.S16(params + 16)),
            QPointF(r_.S16(params + 18), r_.S16(params + 20)))
                                .normalized());
    }
    region.area.setFillRule(Qt::WindingFill);
    return region;
}

MetafileObject WmfPlayback::ReadPen() const
{
    static constexpr Qt::PenStyle styles[] = { Qt::SolidLine, Qt::DashLine, Qt::DotLine,
        Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine, Qt::SolidLine };
    MetafilePen pen;
    pen.style = styles[r_.U16(6) & 7];
    pen.visible = pen.style != Qt::NoPen;
    pen.width = std::abs(r_.S16(8));
    pen.colour = ColourRef(r_, 12);
    return pen;
}

MetafileObject WmfPlayback::ReadBrush() const
{
    static constexpr Qt::BrushStyle hatches[] = { Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern };
    MetafileBrush brush;
    const quint16 style = r_.U16(6);
    brush.colour = ColourRef(r_, 8);
    brush.visible = style != kNullBrush;
    brush.style = !brush.visible ? Qt::NoBrush
        : style == kHatchedBrush ? hatches[qMin<quint16>(r_.U16(12), 5)]
                                 : Qt::SolidPattern;
    return brush;
}

MetafileObject WmfPlayback::ReadFont() const
{
    MetafileFont font;
    font.height = r_.S16(6);
    font.escapement = r_.S16(10);
    font.weight = r_.S16(14);
    font.italic = r_.U8(16);
    font.underline = r_.U8(17);
    font.strikeOut = r_.U8(18);
    font.charset = r_.U8(19);
    QByteArray face;
    for (qint64 at = 24; at < qMin<qint64>(r_.Size(), 24 + 32) && r_.U8(at) != 0; ++at)
        face.append(char(r_.U8(at)));
    font.face = QString::fromLatin1(face);
    return font;
}

bool WmfPlayback::PlayObject(WmfFunction function)
{
    switch (function) {
    case WmfFunction::CreatePenIndirect:
        dc_.AddObject(ReadPen());
        break;
    case WmfFunction::CreateBrushIndirect:
        dc_.AddObject(ReadBrush());
        break;
    case WmfFunction::CreateFontIndirect:
        dc_.AddObject(ReadFont());
        break;
    case WmfFunction::DibCreatePatternBrush: {
        MetafileBrush brush;
        if (const auto image = MetafileDib::DecodePacked(r_.Part(10, r_.Size() - 10));
            image && budget_.Spend(MetafileBudget::DecodeWork(*image))) {
            brush.style = Qt::TexturePattern;
            brush.pattern = *image;
        } else {
            brush.colour = Qt::gray;
        }
        dc_.AddObject(brush);
        break;
    }
    case WmfFunction::CreateRegion: // one too short to hold a region still takes its slot, empty
        dc_.AddObject(ReadRegion());
        break;
    case WmfFunction::CreatePalette:
    case WmfFunction::CreatePatternBrush:
        dc_.AddObject(MetafilePlaceholder {});
        break;
    case WmfFunction::SelectObject: {
        dc_.SelectObject(r_.U16(6));
        break;
    }
    case WmfFunction::DeleteObject:
        dc_.DeleteObject(r_.U16(6));
        break;
    default:
        break;
    }
    return true;
}

} // namespace gb::formats
