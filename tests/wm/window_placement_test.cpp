// The main window under a real X server and window manager (Xvfb and openbox): only there does
// the window get a frame, and only there can placement race the window manager. Each test has
// its own display; the program runs as a user starts it and closes itself once its first load
// has ended, so the settings file it leaves is what a person's Exit leaves.
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <memory>

namespace gb::test {
namespace {

    constexpr QSize kScreen(1280, 800);
    constexpr int kTwips = 15; // per pixel at the 96 dpi the server is started with

    // One X server with openbox managing it, for the life of a test.
    class WindowManagerDisplay {
    public:
        WindowManagerDisplay() { Start(); }
        void Start()
        {
            server_.start("Xvfb",
                { "-displayfd", "1", "-dpi", "96", "-nolisten", "tcp", "-screen", "0",
                    QString("%1x%2x24").arg(kScreen.width()).arg(kScreen.height()) });
            while (server_.waitForReadyRead(10000) && !server_.canReadLine()) { }
            display_ = ":" + server_.readLine().trimmed();
            ASSERT_NE(display_, ":");
            // openbox runs its startup command once it manages the screen.
            wm_.setProcessEnvironment(Environment());
            wm_.start("openbox", { "--sm-disable", "--startup", "echo managing" });
            while (wm_.waitForReadyRead(10000)
                && !wm_.readAllStandardOutput().contains("managing")) { }
            ASSERT_EQ(wm_.state(), QProcess::Running);
        }
        ~WindowManagerDisplay()
        {
            for (QProcess* each : { &wm_, &server_ }) {
                each->terminate();
                each->waitForFinished(10000);
            }
        }
        QProcessEnvironment Environment() const
        {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("DISPLAY", display_);
            environment.insert("QT_QPA_PLATFORM", "xcb");
            environment.insert("XDG_CONFIG_HOME", config_.Path());
            environment.insert("XDG_RUNTIME_DIR", runtime_.Path());
            environment.insert("HOME", config_.Path());
            return environment;
        }
        QString SettingsFile() const { return config_.File("glimmerbox/glimmerbox.ini"); }
        // The program started on `folder`, closed by itself once the folder has loaded.
        void RunOnce(const QString& folder)
        {
            QProcess program;
            program.setProcessEnvironment(Environment());
            program.start(GLIMMERBOX_EXE, { "--screenshot", config_.File("shot.png"), folder });
            ASSERT_TRUE(program.waitForFinished(30000));
            ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        }
        QString Setting(const QString& key) const
        {
            QFile file(SettingsFile());
            if (!file.open(QIODevice::ReadOnly))
                return "<no file>";
            const QRegularExpression line("^" + QRegularExpression::escape(key) + "=(.*)$",
                QRegularExpression::MultilineOption);
            const auto match = line.match(QString::fromUtf8(file.readAll()).remove('\r'));
            return match.hasMatch() ? match.captured(1) : "<missing>";
        }
        void Store(const QString& position, const QString& maximized)
        {
            QDir().mkpath(config_.File("glimmerbox"));
            QFile file(SettingsFile());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QString("[Main]\nWindow Position=%1\nMaximized=%2\n")
                           .arg(position, maximized)
                           .toUtf8());
        }

    private:
        QProcess server_, wm_;
        QString display_;
        TempFolder config_, runtime_;
    };

    QRect Pixels(const QString& stored)
    {
        const QStringList parts = stored.split(", ");
        if (parts.size() != 4)
            return {};
        return { parts[0].toInt() / kTwips, parts[1].toInt() / kTwips, parts[2].toInt() / kTwips,
            parts[3].toInt() / kTwips };
    }

    bool Available()
    {
        return !QStandardPaths::findExecutable("Xvfb").isEmpty()
            && !QStandardPaths::findExecutable("openbox").isEmpty();
    }

    // A folder with one picture, made here.
    struct Photos : TempFolder {
        Photos()
        {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            Write("a.bmp", tools::WriteBmp(image));
        }
    };

    // Each start restores what the last Exit stored, so five starts store the same placement:
    // from no settings file (the whole framed window in the screen's middle), from a stored
    // one, and from a partial hand-edited one (the rest from the first-start placement).
    TEST(WindowUnderAWindowManager, FiveStartsStoreTheSamePlacement)
    {
        if (!Available())
            GTEST_SKIP() << "Xvfb or openbox is not installed";
        const struct {
            const char* stored; // nullptr: no settings file
            const char* expected; // nullptr: on screen, centred
        } cases[] = {
            { nullptr, nullptr }, { "1500, 1500, 9000, 5070", "1500, 1500, 9000, 5070" },
            { "100, 200", nullptr }, // twips: whole pixels 7 and 13
        };
        Photos photos;
        for (const auto& c : cases) {
            WindowManagerDisplay display;
            if (c.stored)
                display.Store(c.stored, "False");
            QStringList stored;
            for (int start = 0; start < 5; ++start) {
                display.RunOnce(photos.Path());
                stored << display.Setting("Window Position");
            }
            const std::string what = c.stored ? c.stored : "no settings file";
            EXPECT_EQ(stored.join(" / ").toStdString(),
                QStringList(5, stored[0]).join(" / ").toStdString())
                << what;
            EXPECT_EQ(display.Setting("Maximized").toStdString(), "False") << what;
            const QRect outer = Pixels(stored[0]);
            if (c.expected) {
                EXPECT_EQ(stored[0].toStdString(), c.expected);
            } else if (!c.stored) {
                // Whole, title bar included, and as far from the left as from the right.
                EXPECT_TRUE(QRect(QPoint(), kScreen).contains(outer)) << qPrintable(stored[0]);
                EXPECT_NEAR(outer.left(), kScreen.width() - 1 - outer.right(), 2) << what;
                EXPECT_GE(outer.height(), 338) << what;
            } else {
                EXPECT_EQ(outer.topLeft(), QPoint(7, 13)) << what;
            }
        }
    }

    // Closed while maximized: the normal placement stays as stored, and so does the state.
    TEST(WindowUnderAWindowManager, AMaximizedCloseKeepsTheStoredPlacement)
    {
        if (!Available())
            GTEST_SKIP() << "Xvfb or openbox is not installed";
        Photos photos;
        WindowManagerDisplay display;
        display.Store("3000, 1500, 9000, 6000", "True");
        for (int start = 0; start < 2; ++start) {
            display.RunOnce(photos.Path());
            EXPECT_EQ((display.Setting("Window Position") + " / " + display.Setting("Maximized"))
                          .toStdString(),
                "3000, 1500, 9000, 6000 / True");
        }
    }

} // namespace
} // namespace gb::test
