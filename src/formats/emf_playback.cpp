#include "formats/emf_playback.h"

#include "formats/metafile_dib.h"

#include <cmath>

namespace gb::formats {

namespace {

    constexpr quint32 kStockFlag = 0x80000000;
    // Pen styles with dashes of their own; Windows takes no more than 16 lengths.
    constexpr quint32 kPsUserStyle = 7, kPsAlternate = 8;
    constexpr qint64 kMaxStyleEntries = 16;

    QColor ColourRef(const ByteView& r, qint64 at)
    {
        return QColor(r.U8(at), r.U8(at + 1), r.U8(at + 2));
    }

    std::optional<QTransform> ReadXform(const ByteView& r, qint64 at)
    {
        const QTransform t(r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16),
            r.F32(at + 20));
        for (double v : { t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy() })
            if (!std::isfinite(v) || std::abs(v) > 1e9)
                return std::nullopt;
        return t;
    }

} // namespace

EmfPlayback::EmfPlayback(QPainter& painter, const EmfHeader& header, QSizeF picture,
    const QTransform& deviceToPicture, MetafileBudget& budget)
    : dc_(MetafileDc::Mapping::DeviceUnits, picture, deviceToPicture, header.dotsPerMm)
    , canvas_(painter, dc_, budget)
    , budget_(budget)
{
    dc_.ResizeTable(header.handles);
}

bool EmfPlayback::Play(EmfRecord type, const ByteView& record)
{
    r_ = record;
    for (auto step : { &EmfPlayback::PlayState, &EmfPlayback::PlayMapping, &EmfPlayback::PlayObject,
             &EmfPlayback::PlayShape, &EmfPlayback::PlayPoly, &EmfPlayback::PlayPolyPoly,
             &EmfPlayback::PlayPath, &EmfPlayback::PlayText, &EmfPlayback::PlayBitmap })
        if (!(this->*step)(type))
            return false;
    if (type == EmfRecord::GradientFill && !PlayGradient())
        return false;
    if (type == EmfRecord::ExtSelectClipRgn && !PlayClipRegion())
        return false;
    return budget_.Spend(MetafileBudget::ClipWork(dc_.State().clip));
}

bool EmfPlayback::PlayState(EmfRecord type)
{
    MetafileState& s = dc_.State();
    switch (type) {
    case EmfRecord::SetBkMode:
        s.opaqueBackground = r_.U32(8) == kOpaqueBackground;
        break;
    case EmfRecord::SetPolyFillMode:
        s.fillRule = r_.U32(8) == kWindingFill ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    case EmfRecord::SetRop2:
        dc_.SetRop2(r_.U32(8));
        break;
    case EmfRecord::SetTextAlign:
        s.textAlign = r_.U32(8);
        break;
    case EmfRecord::SetTextColor:
        s.textColour = ColourRef(r_, 8);
        break;
    case EmfRecord::SetBkColor:
        s.backgroundColour = ColourRef(r_, 8);
        break;
    case EmfRecord::SaveDc:
        dc_.Save();
        break;
    case EmfRecord::RestoreDc:
        dc_.Restore(r_.S32(8));
        break;
    case EmfRecord::ExcludeClipRect:
    case EmfRecord::IntersectClipRect: {
        QPainterPath area;
        area.addRect(r_.Rect32(8).normalized());
        if (type == EmfRecord::ExcludeClipRect)
            dc_.ExcludeClip(area);
        else
            dc_.IntersectClip(area);
        break;
    }
    default:
        break;
    }
    return true;
}

bool EmfPlayback::PlayMapping(EmfRecord type)
{
    MetafileState& s = dc_.State();
    const QPointF p = r_.Point32(8);
    switch (type) {
    case EmfRecord::SetWindowExtEx:
        s.windowExt = QSizeF(p.x(), p.y());
        break;
    case EmfRecord::SetWindowOrgEx:
        s.windowOrg = p;
        break;
    case EmfRecord::SetViewportExtEx:
        s.viewportExt = QSizeF(p.x(), p.y());
        break;
    case EmfRecord::SetViewportOrgEx:
        s.viewportOrg = p;
        break;
    case EmfRecord::SetMapMode:
        s.mapMode = r_.S32(8);
        break;
    case EmfRecord::SetWorldTransform:
        if (const auto t = ReadXform(r_, 8))
            s.world = *t;
        break;
    case EmfRecord::ModifyWorldTransform:
        if (const auto t = ReadXform(r_, 8)) {
            using Mode = WorldTransformMode;
            const auto mode = Mode(r_.U32(32));
            s.world = mode == Mode::Identity  ? QTransform()
                : mode == Mode::LeftMultiply  ? *t * s.world
                : mode == Mode::RightMultiply ? s.world * *t
                : mode == Mode::Set           ? *t
                                              : s.world;
        }
        break;
    default:
        break;
    }
    return true;
}

void EmfPlayback::CreatePen(bool extended)
{
    static constexpr Qt::PenStyle styles[] = { Qt::SolidLine, Qt::DashLine, Qt::DotLine,
        Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine, Qt::SolidLine };
    MetafilePen pen;
    const quint32 style = extended ? r_.U32(28) : r_.U32(12);
    pen.style = styles[style & 7];
    pen.visible = pen.style != Qt::NoPen && !(extended && r_.U32(36) == 1);
    pen.width = extended ? r_.U32(32) : std::abs(r_.S32(16));
    // A geometric pen's width is in logical units; a cosmetic one is always a pixel.
    if (extended && !(style & 0x10000))
        pen.width = 0;
    pen.colour = ColourRef(r_, extended ? 40 : 24);
    const quint32 kind = style & 0xF;
    const qint64 entries = r_.U32(48);
    if (extended && kind == kPsUserStyle && entries <= kMaxStyleEntries
        && r_.Fits(52, entries * 4)) {
        for (qint64 i = 0; i < entries; ++i)
            pen.dashes.push_back(r_.U32(52 + i * 4));
    } else if (extended && kind == kPsAlternate) { // every other pixel
        pen.dashes = { 1, 1 };
        pen.width = 0;
    }
    dc_.PutObject(r_.U32(8), pen);
}

void EmfPlayback::CreateBrush()
{
    static constexpr Qt::BrushStyle hatches[] = { Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern };
    MetafileBrush brush;
    const quint32 style = r_.U32(12);
    brush.colour = ColourRef(r_, 16);
    brush.visible = style != kNullBrush;
    brush.style = !brush.visible ? Qt::NoBrush
        : style == kHatchedBrush ? hatches[qMin<quint32>(r_.U32(20), 5)]
                                 : Qt::SolidPattern;
    dc_.PutObject(r_.U32(8), brush);
}

void EmfPlayback::CreateFont()
{
    MetafileFont font;
    font.height = r_.S32(12);
    font.escapement = r_.S32(20);
    font.weight = r_.S32(28);
    font.italic = r_.U8(32);
    font.underline = r_.U8(33);
    font.strikeOut = r_.U8(34);
    font.charset = r_.U8(35);
    for (qint64 at = 40; at < qMin<qint64>(r_.Size(), 40 + 64) && r_.U16(at) != 0; at += 2)
        font.face.append(QChar(r_.U16(at)));
    dc_.PutObject(r_.U32(8), font);
}

void EmfPlayback::CreatePatternBrush(bool mono)
{
    // The colour usage, then where the bitmap's header and rows lie in the record.
    const ByteView info = r_.Part(r_.U32(16), r_.U32(20)), bits = r_.Part(r_.U32(24), r_.U32(28));
    MetafileBrush brush;
    // A monochrome brush, or a one-bit pattern with no colours of its own, is painted in the
    // text colour (0 bits) and the background colour (1 bits) of the moment it is used.
    const bool colourless = r_.U32(12) == kDibPalIndices || !MetafileDib::HasTwoColours(info);
    auto image
        = mono || colourless ? MetafileDib::DecodeTwoTone(info, bits, colourless) : std::nullopt;
    brush.twoTone = image.has_value();
    if (!image)
        image = MetafileDib::Decode(info, bits);
    if (image && !budget_.Spend(MetafileBudget::DecodeWork(*image)))
        image.reset();
    brush.style = image ? Qt::TexturePattern : Qt::SolidPattern;
    brush.pattern = image.value_or(QImage());
    brush.colour = Qt::gray; // what a pattern we cannot read looks like from afar
    dc_.PutObject(r_.U32(8), brush);
}

bool EmfPlayback::PlayObject(EmfRecord type)
{
    const quint32 index = r_.U32(8);
    switch (type) {
    case EmfRecord::SelectObject:
        if (index & kStockFlag)
            dc_.SelectStockObject(index & ~kStockFlag);
        else
            dc_.SelectObject(index);
        break;
    case EmfRecord::DeleteObject:
        dc_.DeleteObject(index);
        break;
    case EmfRecord::CreatePen:
        CreatePen(false);
        break;
    case EmfRecord::ExtCreatePen:
        CreatePen(true);
        break;
    case EmfRecord::CreateBrushIndirect:
        CreateBrush();
        break;
    case EmfRecord::ExtCreateFontIndirectW:
        CreateFont();
        break;
    case EmfRecord::CreateMonoBrush:
    case EmfRecord::CreateDibPatternBrushPt:
        CreatePatternBrush(type == EmfRecord::CreateMonoBrush);
        break;
    case EmfRecord::CreatePalette:
        dc_.PutObject(index, MetafilePlaceholder {});
        break;
    default:
        break;
    }
    return true;
}

} // namespace gb::formats
