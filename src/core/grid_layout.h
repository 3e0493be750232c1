#pragma once

#include <QPoint>
#include <QSize>

namespace gb::core {

// The thumbnail grid's geometry for a viewport, in pixels.
struct GridLayout {
    int cols = 1;
    QSize cell;
    QSize surface; // cols cells wide, one row per started row of cells
    int scrollMax = 0; // how far the surface can move up
    bool scrollEnabled = false;
    int smallChange = 0; // an arrow click: one cell height
    int largeChange = 0; // a track click: one viewport height

    // Top-left of cell `index` on the surface: row-major, left to right.
    QPoint CellPosition(int index) const;
    // The cell under a point of the surface, or -1 beside the grid or past the last cell.
    int CellAt(QPoint surfacePoint, int count) const;
};

// Lays out `count` equal cells in as many whole columns as fit beside the scroll bar. The
// scroll range is a full int: a folder of any size scrolls by exactly one cell per arrow
// click and one viewport per track click.
GridLayout ComputeGridLayout(QSize viewportInner, int scrollBarWidth, QSize cell, int count);

} // namespace gb::core
