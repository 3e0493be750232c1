// The keyboard of the main window under a window manager, with real key presses: the program
// starts as a person starts it, on a folder or (as the file manager's Open With does) on one of
// its pictures, and Space is pressed at once. The tick is made visible on disk: Alt+D deletes
// the ticked picture after Y confirms it.
#include "samplegen/image_writers.h"
#include "support/window_manager_display.h" // QTest, QProcess

namespace gb::test {
namespace {

    TEST(KeyboardUnderAWindowManager, SpaceAtStartTicksThePictureInView)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb, openbox, xdotool, wmctrl or x11-utils is not installed";
        TempFolder photos;
        for (int i = 0; i < 40; ++i)
            photos.Write(QString("p%1.bmp").arg(i, 2, 10, QChar('0')),
                tools::WriteBmp(tools::Solid({ 8, 8 }, QColor::fromHsv(i * 9, 200, 200))));
        // Not a picture: the thumbnail cache records the failure once a load has ended, which
        // shows from outside that the grid is up.
        photos.Write("zz.jpg", "not a picture");
        // The argument, and the one picture it must leave ticked.
        const std::pair<QString, QString> cases[]
            = { { photos.Path(), "p00.bmp" }, { photos.File("p33.bmp"), "p33.bmp" } };
        for (const auto& [argument, ticked] : cases) {
            WindowManagerDisplay display("");
            const QDir failures(display.config.File("cache/thumbnails/fail"));
            display.environment.insert("XDG_CACHE_HOME", display.config.File("cache"));
            ASSERT_TRUE(display.Start(argument));
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return failures.exists(); }, WindowManagerDisplay::kPatienceMs));
            ASSERT_TRUE(display.WaitUntilActive(display.window));
            display.Tool("xdotool", { "key", "space", "alt+d" });
            // The question is answered once it shows and has the keyboard, as a person would.
            ASSERT_TRUE(display.WaitUntilActive(display.Tool(
                "xdotool", { "search", "--sync", "--onlyvisible", "--name", "DELETING" })));
            display.Tool("xdotool", { "key", "y" });
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return QDir(photos.Path()).entryList(QDir::Files).size() < 41; },
                WindowManagerDisplay::kPatienceMs));
            display.Tool("wmctrl", { "-i", "-c", display.window });
            EXPECT_TRUE(display.Ended());
            const QStringList left = QDir(photos.Path()).entryList(QDir::Files);
            EXPECT_EQ(left.size(), 40); // 40 pictures and zz.jpg, less the one ticked
            EXPECT_FALSE(left.contains(ticked)) << qPrintable(ticked);
            photos.Write(ticked, tools::WriteBmp(tools::Solid({ 8, 8 }, Qt::gray)));
        }
    }

} // namespace
} // namespace gb::test
