#include "main_window_harness.h"

namespace gb::test {
namespace {

    TEST(MainWindowPlacement, StoredOuterPlacementIsRestoredInPixels)
    {
        MainWindowHarness h;
        h.SetSetting("Window Position", "1500, 3000, 12000, 6000");
        h.ShowAndActivate();
        EXPECT_EQ(h.Window().frameGeometry(), QRect(100, 200, 800, 400));
        h.Window().close();
        EXPECT_EQ(h.Setting("Window Position"), "1500, 3000, 12000, 6000");
    }

    TEST(MainWindowPlacement, PartialPositionKeepsTheDesignedSize)
    {
        MainWindowHarness h;
        const QSize designed = h.Window().frameGeometry().size();
        h.window.reset();
        h.SetSetting("Window Position", "1500, 3000");
        h.ShowAndActivate();
        EXPECT_EQ(h.Window().frameGeometry().topLeft(), QPoint(100, 200));
        // The designed 580 pixels are widened to the 600-pixel minimum; the height is kept.
        EXPECT_EQ(h.Window().frameGeometry().width(), 600);
        EXPECT_EQ(h.Window().frameGeometry().height(), designed.height());
    }

    TEST(MainWindowPlacement, MaximizedWindowKeepsItsLastNormalPlacement)
    {
        MainWindowHarness h;
        h.SetSetting("Window Position", "0, 0, 9000, 6600");
        h.SetSetting("Maximized", "True");
        h.ShowAndActivate();
        EXPECT_TRUE(h.Window().isMaximized());
        h.Window().close();
        EXPECT_EQ(h.Setting("Window Position"), "0, 0, 9000, 6600");
        EXPECT_EQ(h.Setting("Maximized"), "True");
    }

    TEST(MainWindowPlacement, MinimizedWindowRestartsNormal)
    {
        MainWindowHarness h;
        h.SetSetting("Window Position", "1500, 1500, 9000, 6600");
        h.ShowAndActivate();
        h.Window().showMinimized();
        h.Window().close();
        EXPECT_EQ(h.Setting("Window Position"), "1500, 1500, 9000, 6600");
        EXPECT_EQ(h.Setting("Maximized"), "False");
    }

    TEST(MainWindowPlacement, HandEditedNonsenseStillOpensAWindowOnScreen)
    {
        MainWindowHarness h;
        h.SetSetting("Window Position", "-99999999999, 9e40, -5, abc");
        h.SetSetting("Maximized", "perhaps");
        h.ShowAndActivate();
        EXPECT_FALSE(h.Window().isMaximized());
        const QRect outer = h.Window().frameGeometry();
        EXPECT_GE(outer.width(), 600);
        EXPECT_GE(outer.height(), 285);
        EXPECT_TRUE(h.Window().screen()->geometry().intersects(outer));
    }

} // namespace
} // namespace gb::test
