// The main window under Xvfb with a real window manager (openbox), where the window gets a
// frame and placement can race the window manager. The program runs as a user starts it, on its
// own display, and closes itself once its first load has ended and the window manager has
// activated it, leaving the settings file a person's Exit leaves.
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace gb::test {
namespace {

    // One X server with openbox managing it (it runs its startup command once it does), and a
    // private settings folder with a settings file of `settings`, or none.
    struct WindowManagerDisplay {
        explicit WindowManagerDisplay(const QByteArray& settings)
        {
            server.start(
                "Xvfb", { "-displayfd", "1", "-dpi", "96", "-screen", "0", "1280x800x24" });
            while (server.waitForReadyRead(10000) && !server.canReadLine()) { }
            environment.insert("DISPLAY", ":" + server.readLine().trimmed());
            environment.insert("QT_QPA_PLATFORM", "xcb");
            for (const char* name : { "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME" })
                environment.insert(name, config.Path());
            wm.setProcessEnvironment(environment);
            wm.start("openbox", { "--sm-disable", "--startup", "echo managing" });
            while (wm.waitForReadyRead(10000) && !wm.readAllStandardOutput().contains("managing")) {
            }
            EXPECT_EQ(wm.state(), QProcess::Running);
            if (!settings.isEmpty() && QDir().mkpath(config.File("glimmerbox")))
                config.Write("glimmerbox/glimmerbox.ini", "[Main]\n" + settings);
        }
        ~WindowManagerDisplay()
        {
            for (QProcess* each : { &wm, &server })
                each->terminate(), each->waitForFinished(10000);
        }
        // A start on `folder` until the program closes itself; then the placement it stored.
        QString RunOnce(const QString& folder)
        {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(GLIMMERBOX_EXE, { "--screenshot", config.File("shot.png"), folder });
            EXPECT_TRUE(program.waitForFinished(30000) && program.exitCode() == 0);
            const QString ini = config.Read("glimmerbox/glimmerbox.ini");
            return QRegularExpression("(?m)^Window Position=(.*)$").match(ini).captured(1) + " / "
                + QRegularExpression("(?m)^Maximized=(.*)$").match(ini).captured(1);
        }
        QProcess server, wm;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        TempFolder config;
    };

    // Five starts store the same: from no settings file (the whole framed window, title bar
    // included, in the middle of the 1280 x 800 screen: 600 px wide, taller than its 338 px
    // client area), a stored placement, a partial hand-edited one (whole pixels), and a
    // maximized close (the normal placement stays as it was).
    TEST(WindowUnderAWindowManager, FiveStartsStoreTheSamePlacement)
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()
            || QStandardPaths::findExecutable("openbox").isEmpty())
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

} // namespace
} // namespace gb::test
