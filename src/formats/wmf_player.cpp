#include "formats/wmf_player.h"

#include "formats/wmf_playback.h"

#include <cmath>

namespace gb::formats {

namespace {

    constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
    constexpr qint64 kPlaceableSize = 22, kHeaderSize = 18;
    constexpr quint16 kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C;

} // namespace

bool WmfPlayer::IsWmf(const MetafileReader& file)
{
    if (file.U32(0) == kPlaceableKey)
        return true;
    const quint16 type = file.U16(0);
    return (type == 1 || type == 2) && file.U16(2) == 9
        && (file.U16(4) == 0x100 || file.U16(4) == 0x300);
}

std::optional<WmfHeader> WmfPlayer::ReadHeader(const MetafileReader& file)
{
    const bool placeable = file.U32(0) == kPlaceableKey;
    const qint64 start = placeable ? kPlaceableSize : 0;
    if (!file.Fits(start, kHeaderSize) || file.U16(start + 2) != 9)
        return std::nullopt;
    WmfHeader header;
    header.firstRecord = start + kHeaderSize;
    header.objects = file.U16(start + 10);
    std::optional<QPointF> origin;
    std::optional<QSizeF> extent;
    const bool walked = WmfPlayback::Walk(file, header.firstRecord, [&](const WmfRecord& r) {
        if (r.function == kSetWindowOrg && !origin && r.data.Fits(6, 4))
            origin = QPointF(r.data.S16(8), r.data.S16(6));
        if (r.function == kSetWindowExt && !extent && r.data.Fits(6, 4))
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

bool WmfPlayer::Play(
    const MetafileReader& file, const WmfHeader& header, QPainter& painter, QSizeF picture)
{
    WmfPlayback playback(painter, header, picture);
    return WmfPlayback::Walk(
        file, header.firstRecord, [&](const WmfRecord& r) { return playback.Play(r); });
}

} // namespace gb::formats
