// A settings file edited by hand or by another program: the main window still opens where it
// can be seen, and a remembered folder that is no folder opens nothing.
#include "main_window_harness.h"

#include "support/disk_checks.h"

#include <QRegularExpression>
#include <QScreen>

namespace gb::test {
namespace {

    void ExpectOpenOnScreen(browser::frmThumbs& window, const std::string& what)
    {
        const QRect outer = window.frameGeometry();
        EXPECT_TRUE(window.isVisible() && window.screen()->geometry().intersects(outer)) << what;
        EXPECT_TRUE(window.isMaximized() || (outer.width() >= 600 && outer.height() >= 285))
            << what;
    }

    // A placement is in twips (15 to the pixel); one that can be trusted is restored exactly and
    // written back unchanged, any other still opens a window on screen and is written back as
    // four whole numbers.
    TEST(MainWindowPlacement, StoredPlacementsRestoreAndImpossibleOnesStillOpenOnScreen)
    {
        const struct {
            const char* position;
            const char* maximized;
            QRect frame; // expected when not null
            bool maximizes;
        } cases[] = {
            { "1500, 3000, 9000, 4500", "False", QRect(100, 200, 600, 300), false },
            { "1500, 3000, 9000, 4500", "0", QRect(100, 200, 600, 300), false }, // minimized
            { "0, 0, 9000, 6600", " -1e2 ", QRect(), true },
            { "-5, -5, -5, -5", "nan", QRect(), false },
            { "245760, 245760, 9000, 6600", "yes", QRect(), false }, // 16384 px in
            { "abc, 1e999, -1e999, 99999999999999999999", "\x01\x02 yes", QRect(), false },
        };
        for (const auto& c : cases) {
            const std::string what = std::string(c.position) + " / " + c.maximized;
            MainWindowHarness h;
            h.SetSetting("Window Position", c.position);
            h.SetSetting("Maximized", c.maximized);
            h.ShowAndActivate();
            ExpectOpenOnScreen(h.Window(), what);
            EXPECT_EQ(h.Window().isMaximized(), c.maximizes) << what;
            EXPECT_TRUE(c.frame.isNull() || h.Window().frameGeometry() == c.frame) << what;
            if (c.maximized == std::string("0"))
                h.Window().showMinimized();
            h.Window().close();
            EXPECT_EQ(h.Setting("Maximized"), c.maximizes ? "True" : "False") << what;
            const QString stored = h.Setting("Window Position");
            if (c.maximizes || !c.frame.isNull()) // kept as it was while maximized or minimized
                EXPECT_EQ(stored, c.position) << what;
            else
                EXPECT_TRUE(
                    QRegularExpression("^-?\\d+, -?\\d+, \\d+, \\d+$").match(stored).hasMatch())
                    << what;
        }
    }

    // A Wayland compositor never tells a window where it is: there the stored position stays and
    // only the size is stored anew.
    TEST(MainWindowPlacement, WhereThePlatformCannotReportThePositionTheStoredOneStays)
    {
        for (const bool reportsPosition : { true, false }) {
            QWidget window;
            browser::WindowPlacement placement(window, 15, 15, reportsPosition);
            placement.Restore("1500, 3000, 9000, 4500", false);
            window.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
            placement.Follow(QEvent::WindowActivate);
            window.move(300, 250);
            window.resize(700, 400);
            const QRect outer = window.frameGeometry();
            const std::optional<core::WindowPlacement> stored = placement.ToStore();
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->left, reportsPosition ? outer.x() * 15 : 1500);
            EXPECT_EQ(stored->top, reportsPosition ? outer.y() * 15 : 3000);
            EXPECT_EQ(stored->width, outer.width() * 15);
            EXPECT_EQ(stored->height, outer.height() * 15);
        }
    }

    TEST(SettingsFileHazards, RememberedFolderThatIsNoFolderOpensNothing)
    {
        TempFolder scratch;
        ASSERT_TRUE(MakeFifo(scratch.File("pipe")));
        scratch.Write("run", "#!/bin/sh\n"); // readable and executable, as a folder must be
        ASSERT_TRUE(QFile::setPermissions(scratch.File("run"), QFile::ReadOwner | QFile::ExeOwner));
        for (const QString& lastPath :
            { scratch.File("pipe"), scratch.File("gone"), scratch.File("run") }) {
            MainWindowHarness h;
            h.SetSetting("Last Path", lastPath);
            h.ShowAndActivate();
            EXPECT_FALSE(h.Window().Grid().isVisible());
            EXPECT_TRUE(h.dialogs.messages.empty() && h.dialogs.folderRequests.empty());
            EXPECT_EQ(h.Setting("Last Path"), lastPath);
        }
    }

} // namespace
} // namespace gb::test
