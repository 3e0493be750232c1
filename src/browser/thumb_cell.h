#pragma once

#include "core/thumbnail_drawing.h"

#include <QSize>
#include <QString>

namespace gb::browser {

// Every cell has the same size: a 64 x 64 tile with its caption underneath.
inline constexpr QSize kThumbCellSize(89, 97);

// One tick-box cell of the thumbnail grid. Cells are plain values owned by the cell model and
// painted by one grid widget, so a folder of any size costs no widget per file. Where a cell is
// on the screen is worked out from its index by the grid's layout, never stored.
struct ThumbCell {
    QString Tag; // the file name exactly as listed, no folder
    QString Caption; // the name fitted to the cell's width
    QString ToolTipText;
    int Value = 0; // 0 unticked, 1 ticked
    core::CompactTile Picture; // the 64 x 64 tile, kept compactly
    bool Visible = false;
};

} // namespace gb::browser
