#pragma once

#include "formats/metafile_budget.h"
#include "formats/metafile_canvas.h"
#include "formats/metafile_records.h"
#include "formats/wmf_player.h"

#include <functional>

namespace gb::formats {

struct WmfRecord {
    WmfFunction function = WmfFunction::Eof;
    ByteView data; // the whole record, size and function included
};

// Draws WMF records one by one onto a painter.
class WmfPlayback {
public:
    using Visitor = std::function<bool(const WmfRecord&)>;
    // Visits every record up to EOF or the end of the file. False when a record does not fit
    // the file, is shorter than its own header, or the file's records and drawing use up the
    // budget.
    static bool Walk(
        const ByteView& file, qint64 first, MetafileBudget& budget, const Visitor& visit);

    // `fit` moves the picture the window fills to the one drawn: unmoved, or refitted.
    WmfPlayback(QPainter& painter, const WmfHeader& header, QSizeF picture, const QTransform& fit,
        MetafileBudget& budget);
    // False when the record is broken: it claims more points or text than it holds.
    bool Play(const WmfRecord& record);
    const MetafileDrawn& Drawn() const { return canvas_.Drawn(); }

private:
    bool PlayState(WmfFunction function);
    bool PlayMapping(WmfFunction function);
    bool PlayObject(WmfFunction function);
    bool PlayShape(WmfFunction function);
    bool PlayPoly(WmfFunction function);
    bool PlayText(WmfFunction function);
    bool PlayBitmap(WmfFunction function);
    std::optional<QPolygonF> Points(qint64 at, qint64 count) const;
    QRectF Box(qint64 at) const; // stored bottom, right, top, left
    MetafileObject ReadPen() const;
    MetafileObject ReadRegion() const;
    MetafileObject ReadBrush() const;
    MetafileObject ReadFont() const;

    MetafileDc dc_;
    MetafileCanvas canvas_;
    MetafileBudget& budget_;
    ByteView r_;
};

} // namespace gb::formats
