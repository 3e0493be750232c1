#pragma once

#include "browser/thumb_cell.h"

#include <QImage>
#include <vector>

class QPalette;

namespace gb::app {

// The visible cells drawn as the grid draws them, `columns` to a row, in cell order.
QImage RenderContactSheet(
    const std::vector<browser::ThumbCell>& cells, int columns, const QPalette& palette);

} // namespace gb::app
