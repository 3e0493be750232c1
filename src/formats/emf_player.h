#pragma once

#include "formats/byte_view.h"
#include "formats/metafile_canvas.h"

#include <QPainter>
#include <QRectF>
#include <optional>

namespace gb::formats {

struct EmfHeader {
    QSizeF naturalSize; // pixels at 96 DPI
    QRectF frame; // the picture's edges in the recording device's pixels
    QRectF bounds; // what the records draw on, in the same pixels
    QSizeF dotsPerMm; // the recording device's
    int handles = 0;
    qint64 firstRecord = 0;
};

// Enhanced metafiles. EMF+ records ride in comments and are skipped: the plain records after
// them draw the same picture.
class EmfPlayer {
public:
    static bool IsEmf(const ByteView& file);
    // Also walks every record once (never trusting the header's count), so a file whose
    // records run off its end or have impossible sizes fails here.
    static std::optional<EmfHeader> ReadHeader(const ByteView& file);
    static bool Play(
        const ByteView& file, const EmfHeader& header, QPainter& painter, QSizeF picture);

private:
    // Plays the records with `edges` filling the picture; what they drew, in device pixels, or
    // nullopt when a record is broken.
    static std::optional<MetafileDrawn> PlayOnto(const ByteView& file, const EmfHeader& header,
        QPainter& painter, QSizeF picture, const QRectF& edges);
};

} // namespace gb::formats
