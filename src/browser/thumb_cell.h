#pragma once

#include "core/thumbnail_drawing.h"

#include <QRect>
#include <QSize>
#include <QString>

namespace gb::browser {

// Where everything in a cell goes, for one tile size: a square tile with its caption underneath.
// Made when a load starts from the thumbnail size asked for and held by the cell model, which the
// grid, the loader, the accessibility interface and the contact sheet all read.
struct CellGeometry {
    static constexpr int kPictureTop = 4; // from the cell's top to the tile's
    static constexpr int kCaptionGap = 2; // from the tile's bottom to the caption's top

    int tileSide = core::kThumbnailTileSize;

    // The borders around the tile stay as they are at 64 whatever its size: the caption beneath
    // is a line of text, which does not grow with the picture.
    constexpr QSize Cell() const { return { tileSide + 25, tileSide + 33 }; }
    // The tile's top-left corner in a cell at `cell`, centred across it.
    constexpr QPoint TileAt(const QRect& cell) const
    {
        return { cell.left() + (cell.width() - tileSide) / 2, cell.top() + kPictureTop };
    }
    constexpr int CaptionTop(const QRect& cell) const
    {
        return TileAt(cell).y() + tileSide + kCaptionGap;
    }
};

// The size of a cell with the classic 64 x 64 tile.
inline constexpr QSize kThumbCellSize = CellGeometry {}.Cell();
static_assert(kThumbCellSize == QSize(89, 97));

// One tick-box cell of the thumbnail grid. Cells are plain values owned by the cell model and
// painted by one grid widget, so a folder of any size costs no widget per file. Where a cell is
// on the screen is worked out from its index by the grid's layout, never stored.
struct ThumbCell {
    QString Tag; // the file name exactly as listed, no folder
    QString Caption; // the name fitted to the cell's width
    QString ToolTipText;
    int Value = 0; // 0 unticked, 1 ticked
    core::CompactTile Picture; // the tile, kept compactly
    bool Visible = false;
    // When its picture was taken, else when its file last changed (milliseconds since the
    // epoch): what a folder sorted by date is in order of. 0 in name order.
    qint64 Taken = 0;
};

} // namespace gb::browser
