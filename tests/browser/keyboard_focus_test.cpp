// The main window's keyboard, pressed as a person does: on whatever has the focus. The focus
// mark must always be on a cell the user sees, and keys act on that cell.
#include "main_window_harness.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

namespace gb::test {
namespace {

    void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    // The window at its designed size (two rows in view) on 60 small pictures.
    struct KeyboardWindow : MainWindowHarness {
        explicit KeyboardWindow(const QString& picture = {})
        {
            for (int i = 0; i < 60; ++i)
                WritePicture(photos, QString("img%1.bmp").arg(i, 2, 10, QChar('0')), QSize(8, 8));
            Window().SetStartFolder(photos.Path(), picture);
            WaitForLoad([&] { ShowAndActivate(); });
        }
        browser::ThumbGrid& Grid() { return Window().Grid(); }
        int Focused() // the focused cell, which must be wholly in view
        {
            const int index = Grid().FocusIndex();
            EXPECT_TRUE(Grid().rect().contains(Grid().CellRect(index))) << index;
            return index;
        }
        TempFolder photos;
    };

    // Start on the folder, start on one of its pictures (the file manager's Open With), or Browse.
    enum class Opened { Folder, Picture, Browse };
    class AfterALoad : public testing::TestWithParam<Opened> { };

    TEST_P(AfterALoad, TheGridHasTheKeyboardWithNoOtherStopAndKeysActOnTheMarkedCell)
    {
        KeyboardWindow h(GetParam() == Opened::Picture ? "img45.bmp" : "");
        if (GetParam() == Opened::Browse) {
            h.dialogs.folderAnswers.push_back(h.photos.Path());
            h.WaitForLoad([&] { h.Trigger("Browse"); });
        }
        EXPECT_EQ(QApplication::focusWidget(), &h.Grid());
        const int first = h.Focused();
        EXPECT_EQ(first, GetParam() == Opened::Picture ? 45 : 0);
        Press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), &h.Grid());
        Press(Qt::Key_Right); // the first arrow after a Tab moves
        EXPECT_EQ(h.Focused(), first + 1);
        Press(Qt::Key_Space);
        EXPECT_EQ(h.Values().indexOf(1), first + 1);
    }
    INSTANTIATE_TEST_SUITE_P(
        Opened, AfterALoad, testing::Values(Opened::Folder, Opened::Picture, Opened::Browse));

    // After a click the screen shows the focus mark on the clicked cell alone: it left cell 0.
    TEST(FocusMark, AClickMovesTheOneMark)
    {
        KeyboardWindow h;
        browser::ThumbGrid& grid = h.Grid();
        QCoreApplication::processEvents(); // the mark is painted on cell 0
        QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(2).center());
        QCoreApplication::processEvents();
        const QPoint at = grid.mapTo(&h.Window(), QPoint());
        const QImage shown
            = grid.screen()
                  ->grabWindow(h.Window().winId(), at.x(), at.y(), grid.width(), grid.height())
                  .toImage()
                  .convertToFormat(QImage::Format_RGB32);
        grid.clearFocus();
        const QImage unfocused = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown.copy(grid.CellRect(0)), unfocused.copy(grid.CellRect(0)));
        EXPECT_NE(shown.copy(grid.CellRect(2)), unfocused.copy(grid.CellRect(2)));
    }

    enum class Scroll { PageDown, End, Wheel, ScrollBar };
    class AfterAScroll : public testing::TestWithParam<Scroll> { };

    // The cell clicked first is scrolled away; the mark comes along onto a cell in view.
    TEST_P(AfterAScroll, SpaceAndTheMenuKeyActOnAVisibleCell)
    {
        KeyboardWindow h;
        browser::ThumbGrid& grid = h.Grid();
        QScrollBar& bar = h.Window().ScrollBar();
        QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(1).center());
        if (GetParam() == Scroll::PageDown || GetParam() == Scroll::End) {
            Press(GetParam() == Scroll::PageDown ? Qt::Key_PageDown : Qt::Key_End);
        } else if (GetParam() == Scroll::Wheel) {
            QWheelEvent wheel(QPointF(10, 10), grid.mapToGlobal(QPointF(10, 10)), {}, { 0, -120 },
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&grid, &wheel);
        } else {
            QTest::mouseClick(&bar, Qt::LeftButton, {}, { bar.width() / 2, bar.height() * 3 / 4 });
        }
        EXPECT_LT(grid.SurfaceTop(), -97); // the clicked row is out of sight
        EXPECT_EQ(QApplication::focusWidget(), &grid);
        const int focused = h.Focused();
        Press(Qt::Key_Space);
        EXPECT_EQ(h.Values().lastIndexOf(1), focused);
        Press(Qt::Key_Menu);
        EXPECT_EQ(h.Window().MenuIndex(), focused);
        EXPECT_EQ(
            h.Window().ContextMenu().pos(), grid.mapToGlobal(grid.CellRect(focused).center()));
        h.Window().ContextMenu().hide();
    }
    INSTANTIATE_TEST_SUITE_P(Scrolls, AfterAScroll,
        testing::Values(Scroll::PageDown, Scroll::End, Scroll::Wheel, Scroll::ScrollBar));

} // namespace
} // namespace gb::test
