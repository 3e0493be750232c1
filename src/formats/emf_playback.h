#pragma once

#include "formats/emf_player.h"
#include "formats/metafile_canvas.h"

#include <functional>

namespace gb::formats {

// Draws EMF records one by one onto a painter.
class EmfPlayback {
public:
    using Visitor = std::function<bool(quint32 type, const MetafileReader& record)>;
    // Visits each record after the header until EOF or the file's end; false when a record
    // does not fit the file or has an impossible size, or the file takes too long.
    static bool Walk(const MetafileReader& file, qint64 first, const Visitor& visit);

    EmfPlayback(QPainter& painter, const EmfHeader& header, QSizeF picture,
        const QTransform& deviceToPicture);
    // False when the record is broken: it claims more points or data than it holds.
    bool Play(quint32 type, const MetafileReader& record);

private:
    bool PlayState(quint32 type);
    bool PlayMapping(quint32 type);
    bool PlayObject(quint32 type);
    bool PlayShape(quint32 type);
    bool PlayPoly(quint32 type);
    bool PlayPolyPoly(quint32 type);
    bool PlayPath(quint32 type);
    bool PlayText(quint32 type);
    bool PlayBitmap(quint32 type);
    bool PlayClipRegion();
    bool PlayGradient();
    void CreatePen(bool extended);
    void CreateBrush();
    void CreatePatternBrush();
    void CreateFont();
    std::optional<QPolygonF> Points(qint64 at, qint64 count, bool small) const;
    std::optional<QImage> Bitmap(qint64 fieldsAt) const;

    MetafileDc dc_;
    MetafileCanvas canvas_;
    MetafileReader r_;
};

} // namespace gb::formats
