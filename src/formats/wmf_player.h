#pragma once

#include "formats/byte_view.h"
#include "formats/metafile_canvas.h"

#include <QPainter>
#include <QRectF>
#include <optional>

namespace gb::formats {

struct WmfHeader {
    QSizeF naturalSize; // pixels at 96 DPI
    QRectF window; // the logical area that fills the picture until the records move it
    qint64 firstRecord = 0;
    int objects = 0;
};

// Windows metafiles, with or without the placeable header in front.
class WmfPlayer {
public:
    static bool IsWmf(const ByteView& file);
    // Also walks every record once, so a file whose records run off its end fails here.
    static std::optional<WmfHeader> ReadHeader(const ByteView& file);
    // False when a record is broken (a count claiming more than the record holds) or the file
    // asks for too much drawing; what was drawn before then stays drawn.
    static bool Play(
        const ByteView& file, const WmfHeader& header, QPainter& painter, QSizeF picture);

private:
    static std::optional<MetafileDrawn> PlayFitted(const ByteView& file, const WmfHeader& header,
        QPainter& painter, QSizeF picture, const QTransform& fit);
};

} // namespace gb::formats
