#include "app/contact_sheet.h"

#include "browser/thumb_grid.h"

#include <QPainter>

namespace gb::app {

QImage RenderContactSheet(const browser::CellModel& model, int columns, const QPalette& palette)
{
    const browser::CellGeometry& geometry = model.Geometry();
    std::vector<const browser::ThumbCell*> shown;
    for (const browser::ThumbCell& cell : model.Cells()) {
        if (cell.Visible)
            shown.push_back(&cell);
    }
    const QSize cellSize = geometry.Cell();
    const int count = static_cast<int>(shown.size());
    const int cols = std::max(1, std::min(columns, std::max(1, count)));
    const int rows = std::max(1, (count + cols - 1) / cols);
    QImage sheet(cellSize.width() * cols, cellSize.height() * rows, QImage::Format_RGB32);
    sheet.fill(palette.color(QPalette::Button));
    QPainter painter(&sheet);
    for (int i = 0; i < count; ++i) {
        const QRect rect(
            QPoint((i % cols) * cellSize.width(), (i / cols) * cellSize.height()), cellSize);
        browser::ThumbGrid::PaintCell(
            painter, rect, *shown[static_cast<size_t>(i)], palette, geometry);
    }
    return sheet;
}

} // namespace gb::app
