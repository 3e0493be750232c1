#include "formats/metafile_dc.h"

#include <cmath>

namespace gb::formats {

namespace {

    // Mapping modes; 1 (text, one unit per pixel) is every mode not listed.
    constexpr int kMmLoMetric = 2, kMmHiMetric = 3, kMmLoEnglish = 4, kMmHiEnglish = 5,
                  kMmTwips = 6, kMmIsotropic = 7, kMmAnisotropic = 8;
    // A save stack this deep only comes from a file trying to exhaust memory.
    constexpr size_t kMaxSaved = 4096;

    double MillimetresPerUnit(int mapMode)
    {
        switch (mapMode) {
        case kMmLoMetric:
            return 0.1;
        case kMmHiMetric:
            return 0.01;
        case kMmLoEnglish:
            return 0.254;
        case kMmHiEnglish:
            return 0.0254;
        case kMmTwips:
            return 25.4 / 1440;
        default:
            return 0;
        }
    }

    double Ratio(double num, double den) { return den == 0 ? 1 : num / den; }

    MetafileBrush StockBrush(int grey, bool visible = true)
    {
        MetafileBrush b;
        b.colour = QColor(grey, grey, grey);
        b.visible = visible;
        b.style = visible ? Qt::SolidPattern : Qt::NoBrush;
        return b;
    }

    MetafilePen StockPen(int grey, bool visible = true)
    {
        MetafilePen p;
        p.colour = QColor(grey, grey, grey);
        p.visible = visible;
        p.style = visible ? Qt::SolidLine : Qt::NoPen;
        return p;
    }

} // namespace

MetafileDc::MetafileDc(
    Mapping mapping, QSizeF pictureSize, QTransform deviceToPicture, QSizeF dotsPerMm)
    : mapping_(mapping)
    , pictureSize_(pictureSize)
    , deviceToPicture_(deviceToPicture)
    , dotsPerMm_(dotsPerMm)
{
}

QTransform MetafileDc::PageTransform() const
{
    const MetafileState& s = state_;
    const QTransform toOrigin = QTransform::fromTranslate(-s.windowOrg.x(), -s.windowOrg.y());
    if (mapping_ == Mapping::WindowFillsPicture)
        return toOrigin
            * QTransform::fromScale(Ratio(pictureSize_.width(), s.windowExt.width()),
                Ratio(pictureSize_.height(), s.windowExt.height()));
    double sx = 1, sy = 1;
    if (const double mm = MillimetresPerUnit(s.mapMode); mm > 0) {
        sx = mm * dotsPerMm_.width();
        sy = -mm * dotsPerMm_.height();
    } else if (s.mapMode == kMmIsotropic || s.mapMode == kMmAnisotropic) {
        sx = Ratio(s.viewportExt.width(), s.windowExt.width());
        sy = Ratio(s.viewportExt.height(), s.windowExt.height());
        if (s.mapMode == kMmIsotropic) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    return toOrigin * QTransform::fromScale(sx, sy)
        * QTransform::fromTranslate(s.viewportOrg.x(), s.viewportOrg.y());
}

QTransform MetafileDc::LogicalToPicture() const
{
    return state_.world * PageTransform() * deviceToPicture_;
}

void MetafileDc::SetRop2(quint32 rop)
{
    // R2_BLACK (1) to R2_WHITE (16) are the truth tables plus one.
    state_.mix = rop >= 1 && rop <= 16 ? quint8(rop - 1) : MetafileMix::kCopy;
    state_.skipDrawing = state_.mix == MetafileMix::kLeaveAlone;
}

void MetafileDc::Save()
{
    if (saved_.size() < kMaxSaved)
        saved_.push_back(state_);
}

bool MetafileDc::Restore(int which)
{
    // Negative counts back from the latest save; positive names a save by its number.
    const qint64 keep = which < 0 ? qint64(saved_.size()) + which : qint64(which) - 1;
    if (which == 0 || keep < 0 || keep >= qint64(saved_.size()))
        return false;
    state_ = saved_[size_t(keep)];
    saved_.resize(size_t(keep));
    return true;
}

void MetafileDc::ResizeTable(qsizetype size) { table_.assign(size_t(qBound(0, size, 65536)), {}); }

bool MetafileDc::AddObject(const MetafileObject& object)
{
    for (auto& slot : table_)
        if (!slot) {
            slot = object;
            return true;
        }
    return false;
}

bool MetafileDc::PutObject(quint32 index, const MetafileObject& object)
{
    if (index >= table_.size())
        return false;
    table_[index] = object;
    return true;
}

bool MetafileDc::SelectObject(quint32 index)
{
    if (index >= table_.size() || !table_[index])
        return false;
    Select(*table_[index]);
    return true;
}

void MetafileDc::Select(const MetafileObject& object)
{
    if (const auto* pen = std::get_if<MetafilePen>(&object))
        state_.pen = *pen;
    else if (const auto* brush = std::get_if<MetafileBrush>(&object))
        state_.brush = *brush;
    else if (const auto* font = std::get_if<MetafileFont>(&object))
        state_.font = *font;
    else if (const auto* region = std::get_if<MetafileRegion>(&object)) {
        // Selecting a region into a device context selects it as the clip.
        SetClip(std::nullopt);
        IntersectClip(region->area);
    }
}

void MetafileDc::SelectClipRegion(quint32 index)
{
    const MetafileRegion* region = index < table_.size() && table_[index]
        ? std::get_if<MetafileRegion>(&*table_[index])
        : nullptr;
    SetClip(std::nullopt);
    if (region)
        IntersectClip(region->area);
}

void MetafileDc::SelectStockObject(quint32 which)
{
    switch (which) {
    case 0: // white, light grey, grey, dark grey and black brushes
    case 1:
    case 2:
    case 3:
    case 4: {
        static constexpr int greys[] = { 255, 192, 128, 64, 0 };
        Select(StockBrush(greys[which]));
        break;
    }
    case 5:
        Select(StockBrush(0, false));
        break;
    case 6:
    case 7:
        Select(StockPen(which == 6 ? 255 : 0));
        break;
    case 8:
        Select(StockPen(0, false));
        break;
    case 18:
        Select(StockBrush(255));
        break;
    case 19:
        Select(StockPen(0));
        break;
    default:
        // Stock fonts and palettes: the font stays as it is, which is near enough.
        break;
    }
}

bool MetafileDc::DeleteObject(quint32 index)
{
    if (index >= table_.size())
        return false;
    table_[index].reset();
    return true;
}

void MetafileDc::IntersectClip(const QPainterPath& logicalArea)
{
    const QPainterPath area = LogicalToPicture().map(logicalArea);
    state_.clip = state_.clip ? state_.clip->intersected(area) : area;
}

void MetafileDc::ExcludeClip(const QPainterPath& logicalArea)
{
    const QPainterPath area = LogicalToPicture().map(logicalArea);
    QPainterPath whole;
    whole.addRect(QRectF(QPointF(), pictureSize_));
    state_.clip = state_.clip.value_or(whole).subtracted(area);
}

} // namespace gb::formats
