#pragma once

#include "core/thumbnail_drawing.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace gb::browser {

// Every cell has the same size: a 64 x 64 tile with its caption underneath.
inline constexpr QSize kThumbCellSize(89, 97);

// One tick-box cell of the thumbnail grid. Cells are plain values kept in an array and painted
// by one grid widget, so a folder of any size costs no widget per file.
struct ThumbCell {
    QString Tag; // the file name exactly as listed, no folder
    QString Caption; // the name fitted to the cell's width
    QString ToolTipText;
    int Value = 0; // 0 unticked, 1 ticked
    core::CompactTile Picture; // the 64 x 64 tile, kept compactly
    bool Visible = false;
    QPoint Position; // top-left on the scrolling surface
};

} // namespace gb::browser
