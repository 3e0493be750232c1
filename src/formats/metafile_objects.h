#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>
#include <variant>
#include <vector>

namespace gb::formats {

// The drawing objects a metafile creates and selects, as this program draws them.
struct MetafilePen {
    bool visible = true;
    double width = 0; // logical units; 0 is one pixel wide whatever the scale
    QColor colour = Qt::black;
    Qt::PenStyle style = Qt::SolidLine;
    // A user style's dash and gap lengths: logical units, or device units when cosmetic.
    std::vector<double> dashes;
};

struct MetafileBrush {
    bool visible = true;
    QColor colour = Qt::white;
    Qt::BrushStyle style = Qt::SolidPattern;
    QImage pattern; // for bitmap pattern brushes
    bool twoTone = false; // pattern indices 0 and 1 take the text and background colours
};

struct MetafileFont {
    double height = 0; // logical units; negative is the character height, positive the cell's
    double escapement = 0; // tenths of a degree, anticlockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = 0;
    QString face;
};

// Regions and palettes are not drawn with, but still fill their slot in the object table: later
// records count on that when they pick objects by index.
struct MetafilePlaceholder { };

// A region in logical units; selecting it makes it the clip.
struct MetafileRegion {
    QPainterPath area;
};

using MetafileObject
    = std::variant<MetafilePlaceholder, MetafilePen, MetafileBrush, MetafileFont, MetafileRegion>;

} // namespace gb::formats
