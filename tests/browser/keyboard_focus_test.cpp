// The main window's keyboard, pressed as a person does: on whatever has the focus. The focus
// mark must always be on a cell the user sees, and keys act on that cell.
#include "main_window_harness.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

namespace gb::test {
namespace {

    void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    // The window on 60 small pictures, started on their folder or on one of them, then resized
    // as a window manager does once the frame is known.
    struct KeyboardWindow : MainWindowHarness {
        explicit KeyboardWindow(const QString& picture = {})
        {
            for (int i = 0; i < 60; ++i)
                WritePicture(photos, QString("img%1.bmp").arg(i, 2, 10, QChar('0')), QSize(8, 8));
            Window().SetStartFolder(picture.isEmpty() ? photos.Path() : photos.File(picture));
            WaitForLoad([&] { ShowAndActivate(); });
            Window().resize(640, 400);
            QCoreApplication::processEvents();
        }
        int Focused() // the focused cell, which must be wholly in view
        {
            const int index = Window().Grid().FocusIndex();
            EXPECT_TRUE(Window().Grid().rect().contains(Window().Grid().CellRect(index))) << index;
            return index;
        }
        TempFolder photos;
    };

    // How the grid came to be where it is: started on the folder or on a picture (the file
    // manager's Open With), Browse; or, after a click on the second cell, a scroll.
    enum class Way { Folder, Picture, Browse, PageDown, End, Wheel, ScrollBar };
    class KeyboardFocus : public testing::TestWithParam<Way> { };

    TEST_P(KeyboardFocus, TheGridHasItWithNoOtherStopAndKeysActOnTheMarkedCellInView)
    {
        KeyboardWindow h(GetParam() == Way::Picture ? "img45.bmp" : "");
        browser::ThumbGrid& grid = h.Window().Grid();
        QScrollBar& bar = h.Window().ScrollBar();
        if (GetParam() == Way::Browse) {
            h.dialogs.folderAnswers.push_back(h.photos.Path());
            h.WaitForLoad([&] { h.Trigger("Browse"); });
        } else if (GetParam() >= Way::PageDown) {
            QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(1).center());
            QWheelEvent wheel(QPointF(10, 10), grid.mapToGlobal(QPointF(10, 10)), {}, { 0, -120 },
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            if (GetParam() == Way::Wheel)
                QApplication::sendEvent(&grid, &wheel);
            else if (GetParam() == Way::ScrollBar)
                QTest::mouseClick(
                    &bar, Qt::LeftButton, {}, { bar.width() / 2, bar.height() * 3 / 4 });
            else
                Press(GetParam() == Way::PageDown ? Qt::Key_PageDown : Qt::Key_End);
            EXPECT_LT(grid.SurfaceTop(), -97); // the clicked row is out of sight
        }
        EXPECT_EQ(QApplication::focusWidget(), &grid);
        const int first = h.Focused();
        if (GetParam() <= Way::Browse) {
            EXPECT_EQ(first, GetParam() == Way::Picture ? 45 : 0);
        }
        Press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), &grid);
        Press(Qt::Key_Right); // the first arrow after a Tab moves
        EXPECT_EQ(h.Focused(), first + 1);
        Press(Qt::Key_Space);
        EXPECT_EQ(h.Values().lastIndexOf(1), first + 1);
        Press(Qt::Key_Menu);
        EXPECT_EQ(h.Window().MenuIndex(), first + 1);
        EXPECT_EQ(
            h.Window().ContextMenu().pos(), grid.mapToGlobal(grid.CellRect(first + 1).center()));
        h.Window().ContextMenu().hide();
    }
    INSTANTIATE_TEST_SUITE_P(Ways, KeyboardFocus,
        testing::Values(Way::Folder, Way::Picture, Way::Browse, Way::PageDown, Way::End, Way::Wheel,
            Way::ScrollBar));

} // namespace
} // namespace gb::test
