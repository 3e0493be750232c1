// The main window under Xvfb with a real window manager (openbox), where the window gets a
// frame and placement can race the window manager. The program runs as a user starts it, on its
// own display, and closes itself once its first load has ended and the window manager has
// activated it, leaving the settings file a person's Exit leaves.
#include "samplegen/image_writers.h"
#include "support/window_manager_display.h"

namespace gb::test {
namespace {

    // Five starts store the same: from no settings file (the whole framed window, title bar
    // included, in the middle of the 1280 x 800 screen: 600 px wide, taller than its 338 px
    // client area), a stored placement, a partial hand-edited one (whole pixels), and a
    // maximized close (the normal placement stays as it was).
    TEST(WindowUnderAWindowManager, FiveStartsStoreTheSamePlacement)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb or openbox is not installed";
        const std::pair<const char*, const char*> cases[] = {
            { "", "^5100, (\\d+), 9000, (\\d+) / False$" },
            { "Window Position=1500, 1500, 9000, 5070", "^1500, 1500, 9000, 5070 / False$" },
            { "Window Position=100, 200", "^105, 195, 9000, \\d+ / False$" },
            { "Window Position=3000, 1500, 9000, 6000\nMaximized=True",
                "^3000, 1500, 9000, 6000 / True$" },
        };
        TempFolder photos;
        photos.Write("a.bmp", tools::WriteBmp(tools::Solid({ 40, 30 }, Qt::darkCyan)));
        for (const auto& [settings, expected] : cases) {
            WindowManagerDisplay display(settings);
            const QString first = display.RunOnce(photos.Path());
            for (int start = 1; start < 5; ++start)
                EXPECT_EQ(display.RunOnce(photos.Path()), first) << settings;
            const auto match = QRegularExpression(expected).match(first);
            EXPECT_TRUE(match.hasMatch()) << qPrintable(first) << " from " << settings;
            const int top = match.captured(1).toInt() / 15, height = match.captured(2).toInt() / 15;
            EXPECT_TRUE(*settings || (top >= 0 && height > 338 && top + height <= 800)) << settings;
        }
    }

    // ./run.sh on a machine without a display: a bare X server, nothing to activate the window.
    // The picture is still taken and its path printed.
    TEST(WindowWithoutAWindowManager, TheScreenshotIsTakenAndItsPathPrinted)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb or openbox is not installed";
        WindowManagerDisplay display("", "1280x800x24", false);
        TempFolder photos;
        photos.Write("a.bmp", tools::WriteBmp(tools::Solid({ 40, 30 }, Qt::darkCyan)));
        QProcess program;
        program.setProcessEnvironment(display.environment);
        program.start(
            GLIMMERBOX_EXE, { "--screenshot", display.config.File("shot.png"), photos.Path() });
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(program.readAllStandardOutput(), display.config.File("shot.png").toUtf8() + "\n");
        EXPECT_EQ(QImage(display.config.File("shot.png")).size(), QSize(600, 338));
    }

} // namespace
} // namespace gb::test
