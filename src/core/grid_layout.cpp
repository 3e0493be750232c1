#include "core/grid_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gb::core {

QPoint GridLayout::CellPosition(int index) const
{
    return { cell.width() * (index % cols), (index / cols) * cell.height() };
}

int GridLayout::CellAt(QPoint surfacePoint, int count) const
{
    if (surfacePoint.x() < 0 || surfacePoint.y() < 0 || cell.isEmpty())
        return -1;
    const int col = surfacePoint.x() / cell.width();
    const int row = surfacePoint.y() / cell.height();
    if (col >= cols)
        return -1;
    const long long index = static_cast<long long>(row) * cols + col;
    return index < count ? static_cast<int>(index) : -1;
}

GridLayout ComputeGridLayout(QSize viewportInner, int scrollBarWidth, QSize cell, int count)
{
    GridLayout layout;
    layout.cell = cell;
    // The window's minimum width leaves room for six columns; a narrower viewport (only
    // possible while the window is being set up) still gets one column rather than a
    // division by zero.
    const double fit = cell.width() > 0
        ? std::floor(static_cast<double>(viewportInner.width() - scrollBarWidth) / cell.width())
        : 1.0;
    layout.cols = static_cast<int>(std::clamp(fit, 1.0, 1.0e6));

    const long long rows
        = (static_cast<long long>(std::max(0, count)) + layout.cols - 1) / layout.cols;
    const long long height
        = std::min<long long>(rows * cell.height(), std::numeric_limits<int>::max());
    layout.surface = QSize(cell.width() * layout.cols, static_cast<int>(height));

    const long long excess = height - viewportInner.height();
    if (excess < 0) {
        layout.scrollMax = 0;
        layout.scrollEnabled = false;
    } else {
        layout.scrollMax = static_cast<int>(excess);
        layout.scrollEnabled = true;
        layout.smallChange = cell.height();
        layout.largeChange = viewportInner.height();
    }
    return layout;
}

} // namespace gb::core
