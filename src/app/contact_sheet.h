#pragma once

#include "browser/cell_model.h"

#include <QImage>

class QPalette;

namespace gb::app {

// The model's visible cells drawn as the grid draws them, at the model's cell size, `columns` to
// a row, in cell order.
QImage RenderContactSheet(const browser::CellModel& model, int columns, const QPalette& palette);

} // namespace gb::app
