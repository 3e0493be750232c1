#include "formats/wmf_player.h"

#include "formats/metafile_budget.h"
#include "formats/wmf_playback.h"

#include <cmath>

namespace gb::formats {

namespace {

    constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
    constexpr qint64 kPlaceableSize = 22, kHeaderSize = 18;
    // The header's own fields: kept in memory or on disk, its size in words, Windows 2 or 3.
    constexpr quint16 kInMemory = 1, kOnDisk = 2, kHeaderWords = kHeaderSize / 2, kWindows2 = 0x100,
                      kWindows3 = 0x300;
    // How far past the picture's edge, in pixels, a shape may reach and still count as inside.
    constexpr double kSlack = 0.5;

} // namespace

bool WmfPlayer::IsWmf(const ByteView& file)
{
    if (file.U32(0) == kPlaceableKey)
        return true;
    const quint16 type = file.U16(0);
    const quint16 version = file.U16(4);
    return (type == kInMemory || type == kOnDisk) && file.U16(2) == kHeaderWords
        && (version == kWindows2 || version == kWindows3);
}

std::optional<WmfHeader> WmfPlayer::ReadHeader(const ByteView& file)
{
    const bool placeable = file.U32(0) == kPlaceableKey;
    const qint64 start = placeable ? kPlaceableSize : 0;
    if (!file.Fits(start, kHeaderSize) || file.U16(start + 2) != kHeaderWords)
        return std::nullopt;
    WmfHeader header;
    header.firstRecord = start + kHeaderSize;
    header.objects = file.U16(start + 10);
    std::optional<QPointF> origin;
    std::optional<QSizeF> extent;
    MetafileBudget budget;
    const bool walked
        = WmfPlayback::Walk(file, header.firstRecord, budget, [&](const WmfRecord& r) {
              if (r.function == WmfFunction::SetWindowOrg && !origin && r.data.Fits(6, 4))
                  origin = QPointF(r.data.S16(8), r.data.S16(6));
              if (r.function == WmfFunction::SetWindowExt && !extent && r.data.Fits(6, 4))
                  extent = QSizeF(r.data.S16(8), r.data.S16(6));
              return true;
          });
    if (!walked)
        return std::nullopt;
    if (placeable) {
        const QRectF box(QPointF(file.S16(6), file.S16(8)), QPointF(file.S16(10), file.S16(12)));
        const double unitsPerInch = file.U16(14);
        if (unitsPerInch == 0)
            return std::nullopt;
        header.window = box;
        header.naturalSize
            = QSizeF(std::abs(box.width()), std::abs(box.height())) * 96 / unitsPerInch;
    } else {
        if (!extent)
            return std::nullopt;
        header.window = QRectF(origin.value_or(QPointF()), *extent);
        header.naturalSize = QSizeF(std::abs(extent->width()), std::abs(extent->height()));
    }
    return header;
}

std::optional<MetafileDrawn> WmfPlayer::PlayFitted(const ByteView& file, const WmfHeader& header,
    QPainter& painter, QSizeF picture, const QTransform& fit)
{
    MetafileBudget budget(picture);
    WmfPlayback playback(painter, header, picture, fit, budget);
    if (!WmfPlayback::Walk(
            file, header.firstRecord, budget, [&](const WmfRecord& r) { return playback.Play(r); }))
        return std::nullopt;
    return playback.Drawn();
}

bool WmfPlayer::Play(
    const ByteView& file, const WmfHeader& header, QPainter& painter, QSizeF picture)
{
    const auto drawn = PlayFitted(file, header, painter, picture, QTransform());
    if (!drawn)
        return false;
    // Windows shows a metafile by turning it into an enhanced one, whose frame is what the
    // records draw on. Where shapes spill out of the window, that is what shows; a drawing
    // within its window keeps the window's mapping.
    const QRectF whole = QRectF(QPointF(), picture).adjusted(-kSlack, -kSlack, kSlack, kSlack);
    const QRectF area = drawn->all;
    if (drawn->shapes.isNull() || whole.contains(drawn->shapes) || area.width() <= 0
        || area.height() <= 0)
        return true;
    MetafileCanvas::Erase(painter, picture);
    const QTransform fit = QTransform::fromTranslate(-area.left(), -area.top())
        * QTransform::fromScale(picture.width() / area.width(), picture.height() / area.height());
    return PlayFitted(file, header, painter, picture, fit).has_value();
}

} // namespace gb::formats
