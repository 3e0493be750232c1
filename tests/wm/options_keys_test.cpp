// The Options window under a window manager, by the keyboard alone: Ctrl+Comma opens it, Alt+S
// and End choose the largest thumbnails and Enter keeps them. The folder is then read again at
// that size, which shows from outside in the shared thumbnail cache: its entries for the
// 64-pixel cells are in "normal", those for 256 in "large". Enter on a cell then starts the
// slide show, so the grid still has the keyboard after the reload.
#include "samplegen/image_writers.h"
#include "support/window_manager_display.h" // QTest, QProcess

namespace gb::test {
namespace {

    TEST(OptionsUnderAWindowManager, TheKeyboardAloneMakesTheThumbnailsLarger)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb, openbox, xdotool, wmctrl or x11-utils is not installed";
        constexpr int kPictures = 6;
        TempFolder photos;
        for (int i = 0; i < kPictures; ++i) // large enough to be cached at either size
            photos.Write(QString("p%1.bmp").arg(i),
                tools::WriteBmp(tools::Solid({ 640, 480 }, QColor::fromHsv(i * 50, 200, 200))));
        WindowManagerDisplay display("");
        display.environment.insert("XDG_CACHE_HOME", display.config.File("cache"));
        const auto entries = [&](const char* size) {
            return QDir(display.config.File(QString("cache/thumbnails/") + size))
                .entryList(QDir::Files)
                .size();
        };
        ASSERT_TRUE(display.Start(photos.Path()));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return entries("normal") == kPictures; }, WindowManagerDisplay::kPatienceMs));
        EXPECT_EQ(entries("large"), 0);

        ASSERT_TRUE(display.WaitUntilActive(display.window));
        display.Tool("xdotool", { "key", "ctrl+comma" });
        ASSERT_TRUE(display.WaitUntilActive(display.Tool(
            "xdotool", { "search", "--sync", "--onlyvisible", "--name", "^Options$" })));
        display.Tool("xdotool", { "key", "alt+s", "End", "Return" });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return entries("large") == kPictures; }, WindowManagerDisplay::kPatienceMs));
        EXPECT_TRUE(
            display.config.Read("glimmerbox/glimmerbox.ini").contains("Thumbnail Size=256"));

        ASSERT_TRUE(display.WaitUntilActive(display.window));
        display.Tool("xdotool", { "key", "Return" });
        const QString show = display.Tool(
            "xdotool", { "search", "--sync", "--onlyvisible", "--name", "^Glimmerbox SlideShow$" });
        EXPECT_FALSE(show.isEmpty());
        display.Tool("xdotool", { "key", "--window", show, "Escape" });
        display.Tool("wmctrl", { "-i", "-c", display.window });
        EXPECT_TRUE(display.Ended());
    }

} // namespace
} // namespace gb::test
