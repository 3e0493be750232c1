#pragma once

#include "formats/emf_player.h"
#include "formats/metafile_budget.h"
#include "formats/metafile_canvas.h"
#include "formats/metafile_records.h"

#include <functional>

namespace gb::formats {

// Draws EMF records one by one onto a painter.
class EmfPlayback {
public:
    using Visitor = std::function<bool(EmfRecord type, const ByteView& record)>;
    // Visits each record after the header until EOF or the file's end; false when a record
    // does not fit the file or has an impossible size, or the file's records and drawing use
    // up the budget.
    static bool Walk(
        const ByteView& file, qint64 first, MetafileBudget& budget, const Visitor& visit);

    EmfPlayback(QPainter& painter, const EmfHeader& header, QSizeF picture,
        const QTransform& deviceToPicture, MetafileBudget& budget);
    // False when the record is broken: it claims more points or data than it holds.
    bool Play(EmfRecord type, const ByteView& record);
    const MetafileDrawn& Drawn() const { return canvas_.Drawn(); }

private:
    bool PlayState(EmfRecord type);
    bool PlayMapping(EmfRecord type);
    bool PlayObject(EmfRecord type);
    bool PlayShape(EmfRecord type);
    bool PlayPoly(EmfRecord type);
    bool PlayPolyPoly(EmfRecord type);
    bool PlayPath(EmfRecord type);
    bool PlayText(EmfRecord type);
    bool PlayBitmap(EmfRecord type);
    bool PlayClipRegion();
    bool PlayGradient();
    void CreatePen(bool extended);
    void CreateBrush();
    void CreatePatternBrush(bool mono);
    void CreateFont();
    std::optional<QPolygonF> Points(qint64 at, qint64 count, bool small) const;
    std::optional<QImage> Bitmap(qint64 fieldsAt) const;

    MetafileDc dc_;
    MetafileCanvas canvas_;
    MetafileBudget& budget_;
    ByteView r_;
};

} // namespace gb::formats
