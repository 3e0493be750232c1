#pragma once

#include "formats/metafile_mix.h"
#include "formats/metafile_objects.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <optional>
#include <vector>

namespace gb::formats {

// What a GDI device context remembers between records: the selected objects, the colours and
// modes, and the mapping from logical units to the picture. The picture's pixels are the
// "device" of the mapping, so players only ever deal in logical units.
struct MetafileState {
    MetafilePen pen;
    MetafileBrush brush;
    MetafileFont font;
    int mapMode = 1;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt { 1, 1 }, viewportExt { 1, 1 };
    QTransform world;
    quint32 textAlign = 0;
    bool opaqueBackground = true;
    QColor backgroundColour = Qt::white, textColour = Qt::black;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    quint8 mix = MetafileMix::kCopy; // how pens and brushes combine with the picture
    bool skipDrawing = false; // R2_NOP
    QPointF position;
    std::optional<QPainterPath> clip; // in picture pixels; none is the whole picture
};

class MetafileDc {
public:
    enum class Mapping { WindowFillsPicture, DeviceUnits };
    // deviceToPicture: from the recording device's pixels to ours (EMF), or from where the
    // window fills the picture to the picture (WMF). dotsPerMm: the recording device's, for the
    // metric modes.
    MetafileDc(Mapping mapping, QSizeF pictureSize, QTransform deviceToPicture, QSizeF dotsPerMm);

    MetafileState& State() { return state_; }
    const MetafileState& State() const { return state_; }
    QTransform LogicalToPicture() const;
    QTransform DeviceToPicture() const { return deviceToPicture_; }

    void SetRop2(quint32 rop);
    void Save();
    bool Restore(int which);

    // The object table. WMF fills the first free slot; EMF names the slot.
    void ResizeTable(qsizetype size);
    bool AddObject(const MetafileObject& object);
    bool PutObject(quint32 index, const MetafileObject& object);
    bool SelectObject(quint32 index);
    void SelectStockObject(quint32 which);
    bool DeleteObject(quint32 index);

    void IntersectClip(const QPainterPath& logicalArea);
    void ExcludeClip(const QPainterPath& logicalArea);
    void SetClip(std::optional<QPainterPath> pictureArea) { state_.clip = std::move(pictureArea); }
    // Makes the region in table slot `index` the clip; a slot without a region removes the clip.
    void SelectClipRegion(quint32 index);

private:
    QTransform PageTransform() const;
    void Select(const MetafileObject& object);

    Mapping mapping_;
    QSizeF pictureSize_;
    QTransform deviceToPicture_;
    QSizeF dotsPerMm_;
    MetafileState state_;
    std::vector<MetafileState> saved_;
    std::vector<std::optional<MetafileObject>> table_;
};

} // namespace gb::formats
