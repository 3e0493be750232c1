#include "app/contact_sheet.h"
#include "samplegen/image_writers.h"

#include <QPalette>
#include <gtest/gtest.h>

namespace gb::app {
namespace {

    // At 128 pixels the sheet is made of 153 x 161 cells, each tile where the grid puts it.
    TEST(ContactSheet, DrawsTheCellsAtTheModelsSize)
    {
        browser::CellModel model;
        model.SetGeometry({ 128 });
        model.Reset();
        for (const char* name : { "a.jpg", "b.jpg", "c.jpg" })
            model.Append({ name, name, name, 0,
                core::MakeCompactTile(
                    tools::Solid({ 600, 400 }, Qt::red), { 600, 400 }, Qt::gray, 1, 128),
                true });
        QPalette palette;
        palette.setColor(QPalette::Button, QColor(0xF0, 0xF0, 0xF0));
        const QImage sheet = RenderContactSheet(model, 2, palette);
        EXPECT_EQ(sheet.size(), QSize(2 * 153, 2 * 161));
        // The third cell's tile at (12, 161 + 4), its picture at (2, 22) in it, 124 x 83.
        const QPoint tile(12, 161 + 4);
        EXPECT_EQ(sheet.pixelColor(tile + QPoint(2, 22)), QColor(Qt::red));
        EXPECT_EQ(sheet.pixelColor(tile + QPoint(125, 104)), QColor(Qt::red));
        EXPECT_EQ(sheet.pixelColor(tile + QPoint(1, 21)), QColor(Qt::black));
        EXPECT_EQ(sheet.pixelColor(tile + QPoint(126, 105)), QColor(Qt::black));
        EXPECT_EQ(sheet.pixelColor(tile + QPoint(64, 20)), QColor(0xF0, 0xF0, 0xF0));
    }

} // namespace
} // namespace gb::app
