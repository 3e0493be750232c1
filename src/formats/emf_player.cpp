#include "formats/emf_player.h"

#include "formats/emf_playback.h"
#include "formats/metafile_budget.h"

#include <algorithm>
#include <cmath>

namespace gb::formats {

namespace {

    constexpr quint32 kSignature = 0x464D4520; // " EMF"
    constexpr qint64 kMinHeader = 88;

    // Read in place: a copy of a picture being painted on would be a deep one.
    bool IsBlank(const QImage& image)
    {
        if (image.depth() != 32) // the loader paints on 32 bits; anything else counts as drawn
            return false;
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            if (std::any_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) != 0; }))
                return false;
        }
        return true;
    }

    // Whether two rectangles share a point, edges included: a line has no area yet lies inside.
    bool Touches(const QRectF& a, const QRectF& b)
    {
        return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom()
            && b.top() <= a.bottom();
    }

    // Where to play the records again when the frame misses the drawing, in device pixels.
    // Some programs write a frame that none of their shapes fall in, perhaps only a title: the
    // header's bounds then place the drawing when they hold those shapes, else what the records
    // were seen to draw does. A picture left blank by its frame takes the bounds as they are.
    std::optional<QRectF> Refit(const EmfHeader& header, const MetafileDrawn& drawn, bool blank)
    {
        QRectF edges;
        const QRectF bounds = header.bounds;
        if (!drawn.shapes.isNull() && !Touches(drawn.shapes, header.frame))
            edges = !bounds.isEmpty() && bounds.adjusted(-1, -1, 1, 1).contains(drawn.shapes)
                ? bounds
                : drawn.all;
        else if (blank && !bounds.isEmpty() && !header.frame.contains(bounds))
            edges = bounds;
        return edges.width() > 0 && edges.height() > 0 ? std::optional(edges) : std::nullopt;
    }

} // namespace

bool EmfPlayer::IsEmf(const ByteView& file)
{
    return file.U32(0) == 1 && file.U32(40) == kSignature;
}

bool EmfPlayback::Walk(
    const ByteView& file, qint64 first, MetafileBudget& budget, const Visitor& visit)
{
    for (qint64 at = first; at < file.Size();) {
        if (!file.Fits(at, 8) || !budget.Spend(MetafileBudget::kRecord))
            return false;
        const qint64 bytes = file.U32(at + 4);
        if (bytes < 8 || bytes % 4 != 0 || !file.Fits(at, bytes))
            return false;
        const auto type = EmfRecord(file.U32(at));
        if (type == EmfRecord::Eof)
            break;
        if (!visit(type, file.Part(at, bytes)))
            return false;
        at += bytes;
    }
    return !budget.Exhausted();
}

std::optional<EmfHeader> EmfPlayer::ReadHeader(const ByteView& file)
{
    const qint64 size = file.U32(4);
    if (!IsEmf(file) || size < kMinHeader || size % 4 != 0 || !file.Fits(0, size))
        return std::nullopt;
    MetafileBudget budget;
    if (!EmfPlayback::Walk(file, size, budget, [](EmfRecord, const ByteView&) { return true; }))
        return std::nullopt;
    EmfHeader header;
    header.firstRecord = size;
    header.handles = file.U16(56);
    const QRectF frame = file.Rect32(24); // 0.01 mm
    header.naturalSize = frame.size() * 96 / 2540; // a frame turned inside out has no size
    const double devW = file.S32(72), devH = file.S32(76), mmW = file.S32(80), mmH = file.S32(84);
    header.dotsPerMm = devW > 0 && devH > 0 && mmW > 0 && mmH > 0 ? QSizeF(devW / mmW, devH / mmH)
                                                                  : QSizeF(96 / 25.4, 96 / 25.4);
    const QRectF bounds = file.Rect32(8); // its right and bottom edges drawn on
    header.bounds = QRectF(bounds.topLeft(), bounds.bottomRight() + QPointF(1, 1));
    header.frame = QRectF(frame.left() * header.dotsPerMm.width() / 100,
        frame.top() * header.dotsPerMm.height() / 100,
        frame.width() * header.dotsPerMm.width() / 100,
        frame.height() * header.dotsPerMm.height() / 100);
    return header;
}

std::optional<MetafileDrawn> EmfPlayer::PlayOnto(const ByteView& file, const EmfHeader& header,
    QPainter& painter, QSizeF picture, const QRectF& edges)
{
    if (edges.width() == 0 || edges.height() == 0)
        return std::nullopt;
    const QTransform deviceToPicture = QTransform::fromTranslate(-edges.left(), -edges.top())
        * QTransform::fromScale(picture.width() / edges.width(), picture.height() / edges.height());
    MetafileBudget budget(picture);
    EmfPlayback playback(painter, header, picture, deviceToPicture, budget);
    if (!EmfPlayback::Walk(file, header.firstRecord, budget,
            [&](EmfRecord type, const ByteView& record) { return playback.Play(type, record); }))
        return std::nullopt;
    const QTransform toDevice = deviceToPicture.inverted();
    return MetafileDrawn { toDevice.mapRect(playback.Drawn().shapes),
        toDevice.mapRect(playback.Drawn().all) };
}

bool EmfPlayer::Play(
    const ByteView& file, const EmfHeader& header, QPainter& painter, QSizeF picture)
{
    const auto drawn = PlayOnto(file, header, painter, picture, header.frame);
    if (!drawn)
        return false;
    const QImage* image = painter.device()->devType() == QInternal::Image
        ? static_cast<const QImage*>(painter.device())
        : nullptr;
    const auto edges = Refit(header, *drawn, image && IsBlank(*image));
    if (!edges)
        return true;
    MetafileCanvas::Erase(painter, picture);
    return PlayOnto(file, header, painter, picture, *edges).has_value();
}

} // namespace gb::formats
