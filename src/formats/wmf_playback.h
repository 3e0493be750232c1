#pragma once

#include "formats/metafile_canvas.h"
#include "formats/wmf_player.h"

#include <functional>

namespace gb::formats {

struct WmfRecord {
    quint16 function = 0;
    MetafileReader data; // the whole record, size and function included
};

// Draws WMF records one by one onto a painter.
class WmfPlayback {
public:
    using Visitor = std::function<bool(const WmfRecord&)>;
    // Visits every record up to EOF or the end of the file. False when a record does not fit
    // the file, is shorter than its own header, or the file takes too long.
    static bool Walk(const MetafileReader& file, qint64 first, const Visitor& visit);

    WmfPlayback(QPainter& painter, const WmfHeader& header, QSizeF picture);
    // False when the record is broken: it claims more points or text than it holds.
    bool Play(const WmfRecord& record);

private:
    bool PlayState(quint16 function);
    bool PlayMapping(quint16 function);
    bool PlayObject(quint16 function);
    bool PlayShape(quint16 function);
    bool PlayPoly(quint16 function);
    bool PlayText(quint16 function);
    bool PlayBitmap(quint16 function);
    std::optional<QPolygonF> Points(qint64 at, qint64 count) const;
    QRectF Box(qint64 at) const; // stored bottom, right, top, left
    MetafileObject ReadPen() const;
    MetafileObject ReadRegion() const;
    MetafileObject ReadBrush() const;
    MetafileObject ReadFont() const;

    MetafileDc dc_;
    MetafileCanvas canvas_;
    MetafileReader r_;
};

} // namespace gb::formats
