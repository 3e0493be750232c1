// The main window under Xvfb with a real window manager (openbox): only there does the window
// get a frame, and only there can placement race the window manager. Each case has its own
// display; the program runs as a user starts it and closes itself once its first load has ended
// and the window manager has activated it, leaving the settings file a person's Exit leaves.
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>

namespace gb::test {
namespace {

    constexpr QSize kScreen(1280, 800); // at 96 dpi: 15 twips to the pixel

    // One X server with openbox managing it, and a private settings folder.
    class WindowManagerDisplay {
    public:
        WindowManagerDisplay() { Start(); }
        ~WindowManagerDisplay()
        {
            for (QProcess* each : { &wm_, &server_ }) {
                each->terminate();
                each->waitForFinished(10000);
            }
        }
        void Start()
        {
            server_.start("Xvfb",
                { "-displayfd", "1", "-dpi", "96", "-nolisten", "tcp", "-screen", "0",
                    QString("%1x%2x24").arg(kScreen.width()).arg(kScreen.height()) });
            while (server_.waitForReadyRead(10000) && !server_.canReadLine()) { }
            environment_.insert("DISPLAY", ":" + server_.readLine().trimmed());
            environment_.insert("QT_QPA_PLATFORM", "xcb");
            for (const char* name : { "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME" })
                environment_.insert(name, config_.Path());
            // openbox runs its startup command once it manages the screen.
            wm_.setProcessEnvironment(environment_);
            wm_.start("openbox", { "--sm-disable", "--startup", "echo managing" });
            while (wm_.waitForReadyRead(10000)
                && !wm_.readAllStandardOutput().contains("managing")) { }
            ASSERT_EQ(wm_.state(), QProcess::Running);
        }
        // The program started on `folder` until it closes itself; then the stored placement.
        std::string RunOnce(const QString& folder)
        {
            QProcess program;
            program.setProcessEnvironment(environment_);
            program.start(GLIMMERBOX_EXE, { "--screenshot", config_.File("shot.png"), folder });
            EXPECT_TRUE(program.waitForFinished(30000) && program.exitCode() == 0)
                << program.readAllStandardError().toStdString();
            const QString ini = config_.Read("glimmerbox/glimmerbox.ini");
            const auto value = [&](const char* key) {
                return QRegularExpression(QString("(?m)^%1=(.*)$").arg(key)).match(ini).captured(1);
            };
            return (value("Window Position") + " / " + value("Maximized")).toStdString();
        }
        void Store(const QString& settings)
        {
            QDir().mkpath(config_.File("glimmerbox"));
            config_.Write("glimmerbox/glimmerbox.ini", ("[Main]\n" + settings).toUtf8());
        }

    private:
        QProcess server_, wm_;
        QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
        TempFolder config_;
    };

    // Each start restores what the last Exit stored, so five starts store the same: from no
    // settings file (the whole framed window, in the middle of the screen), a stored placement,
    // a partial hand-edited one (the rest from the first start's), and a maximized close (the
    // normal placement stays as it was).
    TEST(WindowUnderAWindowManager, FiveStartsStoreTheSamePlacement)
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()
            || QStandardPaths::findExecutable("openbox").isEmpty())
            GTEST_SKIP() << "Xvfb or openbox is not installed";
        const struct {
            const char* settings;
            const char* expected; // a pattern
        } cases[] = {
            { "", "^(\\d+), (\\d+), 9000, (\\d+) / False$" },
            { "Window Position=1500, 1500, 9000, 5070\n", "^1500, 1500, 9000, 5070 / False$" },
            { "Window Position=100, 200\n", "^105, 195, 9000, \\d+ / False$" }, // whole pixels
            { "Window Position=3000, 1500, 9000, 6000\nMaximized=True\n",
                "^3000, 1500, 9000, 6000 / True$" },
        };
        TempFolder photos;
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        photos.Write("a.bmp", tools::WriteBmp(image));
        for (const auto& c : cases) {
            WindowManagerDisplay display;
            display.Store(c.settings);
            const std::string first = display.RunOnce(photos.Path());
            for (int start = 1; start < 5; ++start)
                EXPECT_EQ(display.RunOnce(photos.Path()), first) << c.settings;
            const auto match = QRegularExpression(c.expected).match(QString::fromStdString(first));
            EXPECT_TRUE(match.hasMatch()) << first << " for " << c.settings;
            if (*c.settings == '\0') { // the title bar too: taller than the client area
                const QRect outer(match.captured(1).toInt() / 15, match.captured(2).toInt() / 15,
                    600, match.captured(3).toInt() / 15);
                EXPECT_TRUE(QRect(QPoint(), kScreen).contains(outer) && outer.height() > 338
                    && std::abs(outer.left() - (kScreen.width() - 1 - outer.right())) <= 1)
                    << first;
            }
        }
    }

} // namespace
} // namespace gb::test
