// The cell model's changes, as the grid paints them and as a screen reader reads them: both
// follow the model whatever changed, and neither keeps a stale cell.
#include "browser/cell_model.h"
#include "browser/thumb_grid.h"
#include "core/grid_layout.h"
#include "samplegen/image_writers.h"

#include <QAccessibleInterface>
#include <QPainter>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace gb::browser {
namespace {

    ThumbCell Cell(const QString& name, QColor colour)
    {
        const QImage picture = tools::Solid({ 40, 30 }, colour);
        return { name, name, name, 0, core::MakeCompactTile(picture, picture.size(), Qt::gray),
            true };
    }

    // A grid of four columns over a model of cells a, b, c, d, each a picture of its own colour.
    struct ModelAndGrid {
        ModelAndGrid()
        {
            for (const auto& [name, colour] : { std::pair { "a", Qt::red }, { "b", Qt::green },
                     { "c", Qt::blue }, { "d", Qt::yellow } })
                model.Append(Cell(name, colour));
            grid.resize(4 * kThumbCellSize.width(), 2 * kThumbCellSize.height());
            grid.SetLayout(core::ComputeGridLayout(grid.size(), 0, kThumbCellSize, 8));
        }
        // What the grid paints at cell `index`, against that cell as painted on its own.
        bool PaintsCellAt(int index, const ThumbCell& cell)
        {
            QImage expected(kThumbCellSize, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&expected);
            ThumbGrid::PaintCell(painter, expected.rect(), cell, grid.palette());
            painter.end();
            return grid.grab(grid.CellRect(index)).toImage().convertToFormat(expected.format())
                == expected;
        }
        QAccessibleInterface* Reader() { return QAccessible::queryAccessibleInterface(&grid); }
        QStringList ReadNames()
        {
            QStringList names;
            for (int i = 0; i < Reader()->childCount(); ++i)
                names << Reader()->child(i)->text(QAccessible::Name);
            return names;
        }
        CellModel model;
        ThumbGrid grid { model, nullptr };
    };

    struct Change {
        const char* name;
        void (*apply)(CellModel&);
        QStringList cells; // what a screen reader then finds, in order
        int ticked; // the cell then ticked, or -1
    };

    class CellModelChange : public testing::TestWithParam<Change> { };

    TEST_P(CellModelChange, IsPaintedAndReadAsTheModelHasIt)
    {
        ModelAndGrid m;
        QAccessibleInterface* cellB = m.Reader()->child(1);
        GetParam().apply(m.model);
        EXPECT_EQ(m.ReadNames(), GetParam().cells);
        for (int i = 0; i < m.model.ShownCount(); ++i) {
            EXPECT_TRUE(m.PaintsCellAt(i, m.model.Cell(i))) << i;
            // A ticked cell wears the highlight's badge in its top right corner.
            const QPoint badge = m.grid.CellRect(i).topRight() + QPoint(-12, 7);
            EXPECT_EQ(m.grid.grab().toImage().pixelColor(badge)
                    == m.grid.palette().color(QPalette::Highlight),
                i == GetParam().ticked)
                << i;
            EXPECT_EQ(m.Reader()->child(i)->role(), QAccessible::CheckBox);
            EXPECT_EQ(m.Reader()->child(i)->state().checked, i == GetParam().ticked) << i;
        }
        // The interface read before the change still speaks of b, wherever b went.
        const int b = static_cast<int>(GetParam().cells.indexOf("b"));
        EXPECT_EQ(cellB->isValid(), b >= 0);
        if (b >= 0) {
            EXPECT_EQ(m.Reader()->indexOfChild(cellB), b);
        }
    }

    INSTANTIATE_TEST_SUITE_P(Model, CellModelChange,
        testing::Values(
            Change { "Tick", [](CellModel& m) { m.SetValue(2, 1); }, { "a", "b", "c", "d" }, 2 },
            Change { "TickedAndUntickedAgain",
                [](CellModel& m) {
                    m.SetValues(0, 3, 1);
                    m.SetValues(0, 3, 0);
                },
                { "a", "b", "c", "d" }, -1 },
            Change { "Insert", [](CellModel& m) { m.Insert(1, Cell("x", Qt::black)); },
                { "a", "x", "b", "c", "d" }, -1 },
            Change { "Remove", [](CellModel& m) { m.Remove(0); }, { "b", "c", "d" }, -1 },
            Change { "TickThenRemoveBefore",
                [](CellModel& m) {
                    m.SetValue(3, 1);
                    m.Remove(1);
                },
                { "a", "c", "d" }, 2 },
            Change { "Reset", [](CellModel& m) { m.Reset(); }, {}, -1 }),
        [](const auto& row) { return std::string(row.param.name); });

    // Cells still to come are laid out as empty frames, which a cell appended fills in order;
    // a frame is neither clicked nor read.
    TEST(CellModelFrames, AreEmptyCellsThatFillInOrder)
    {
        ModelAndGrid m;
        m.model.SetFrameCount(2);
        m.model.Append(Cell("e", Qt::black));
        EXPECT_EQ(m.model.PlaceCount(), 6);
        EXPECT_TRUE(m.PaintsCellAt(4, m.model.Cell(4)));
        EXPECT_TRUE(m.PaintsCellAt(5, ThumbCell {}));
        EXPECT_FALSE(m.PaintsCellAt(6, ThumbCell {})); // past the places: background only
        EXPECT_EQ(m.grid.CellAt(m.grid.CellRect(5).center()), -1);
        EXPECT_EQ(m.Reader()->childCount(), 5);
    }

    // An id finds its cell, tick and all, wherever cells inserted before it or a sort moved it,
    // and none once its cell is gone: the tile store finds parked pictures by these.
    TEST(CellModelIds, FollowTheirCellsUntilTheyAreGone)
    {
        CellModel model;
        for (const char* tag : { "a", "b", "c" })
            model.Append(Cell(tag, Qt::black));
        model.SetValue(1, 1);
        const CellModel::CellId b = model.Id(1), c = model.Id(2);
        model.Insert(0, Cell("0", Qt::black));
        EXPECT_EQ(model.IndexOf(b), 2);
        QSignalSpy reordered(&model, &CellModel::CellsReordered);
        model.Sort([](const ThumbCell& x, const ThumbCell& y) { return x.Tag > y.Tag; });
        EXPECT_EQ(reordered.size(), 1);
        EXPECT_EQ(model.IndexOf(b), 1);
        EXPECT_EQ(model.Cell(1).Tag, "b");
        EXPECT_EQ(model.Cell(1).Value, 1);
        model.Reset();
        for (const char* tag : { "x", "y" })
            model.Append(Cell(tag, Qt::black));
        model.Truncate();
        EXPECT_EQ(model.IndexOf(c), -1);
        EXPECT_EQ(model.IndexOf(model.Id(0) + 1), -1); // "y", gone while ids were in order
    }

    // The toggle action a screen reader offers is the click of a person on the cell.
    TEST(CellModelReader, TogglingACellIsAClickOnIt)
    {
        ModelAndGrid m;
        QList<int> clicked;
        QObject::connect(&m.grid, &ThumbGrid::CellClicked, [&](int index) { clicked << index; });
        QAccessibleInterface* cell = m.Reader()->child(3);
        QAccessibleActionInterface* actions = cell->actionInterface();
        ASSERT_NE(actions, nullptr);
        EXPECT_EQ(
            actions->actionNames(), QStringList { QAccessibleActionInterface::toggleAction() });
        actions->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(clicked, QList<int> { 3 });
        EXPECT_EQ(cell->rect().size(), kThumbCellSize);
        EXPECT_TRUE(cell->state().offscreen); // the grid was never shown
        EXPECT_TRUE(cell->state().checkable);
        EXPECT_TRUE(cell->state().focusable);
    }

} // namespace
} // namespace gb::browser
