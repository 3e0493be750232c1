// A settings file edited by hand, by another program or by a disk error: the main window still
// opens where it can be seen, and writing the settings back loses none of the other lines.
#include "main_window_harness.h"

#include "browser/thumb_grid.h"
#include "core/window_position.h"
#include "formats/ini_document.h"
#include "support/disk_checks.h"

#include <QFileInfo>
#include <QScreen>
#include <fcntl.h>
#include <future>
#include <unistd.h>

namespace gb::test {
namespace {

    using formats::IniDocument;

    void Seed(MainWindowHarness& h, const QByteArray& bytes)
    {
        h.dataFolder.Write(QFileInfo(h.IniPath()).fileName(), bytes);
    }

    void ExpectOpenOnScreen(browser::frmThumbs& window, const std::string& what)
    {
        const QRect outer = window.frameGeometry();
        EXPECT_TRUE(window.isVisible()) << what;
        EXPECT_TRUE(window.screen()->geometry().intersects(outer)) << what;
        if (!window.isMaximized()) {
            EXPECT_GE(outer.width(), 600) << what;
            EXPECT_GE(outer.height(), 285) << what;
        }
    }

    TEST(SettingsFileHazards, HandEditedJunkStillOpensOnScreenAndKeepsEveryOtherLine)
    {
        QByteArray junk;
        for (int i = 0; i < 300; ++i)
            junk += static_cast<char>((i * 7) % 256);
        const QByteArray big = "Big=" + QByteArray(IniDocument::kMaxParsedBytes, 'x');
        const QByteArray before = "; my notes\r\n[Other]\r\nkeep=1\r\n[Main]\r\n"
                                  "Window Position=abc, 1e999, -1e999, 99999999999999999999\r\n"
                                  "Maximized=\x01\x02 yes\r\n"
            + junk + "\r\nno equals sign here\r\n" + QByteArray("nul\0inside=1\r\n", 14)
            + "[Main]\r\nWindow Position=1500, 1500, 9000, 6600\r\nMaximized=True\r\n"
              "[Other]\r\nkeep=2\r\n";
        const QByteArray after = big + "\r\n[Tail]\r\nlast=1\r\n";
        MainWindowHarness h;
        Seed(h, before + after);

        h.ShowAndActivate();
        ExpectOpenOnScreen(h.Window(), "junk placement");
        EXPECT_FALSE(h.Window().isMaximized());
        h.Window().close();

        // The first [Main] got the new values; every other line is still there, in order. Lines
        // the document read now end in "\n"; what lay past its read limit is copied unchanged.
        const QByteArray written = ReadAll(h.IniPath());
        const QByteArray placement = h.Setting("Window Position").toUtf8();
        QByteArray expected = before;
        expected.replace("\r\n", "\n");
        expected.replace("Window Position=abc, 1e999, -1e999, 99999999999999999999",
            "Window Position=" + placement);
        expected.replace("Maximized=\x01\x02 yes", "Maximized=False");
        EXPECT_TRUE(written == expected + after) << written.left(600).toStdString();
        EXPECT_EQ(h.Setting("Maximized"), "False");
        EXPECT_EQ(h.module1.ReadSetting("Other", "keep", ""), "1");
    }

    TEST(MainWindowPlacement, StoredPlacementIsRestoredInPixelsAndWrittenBackUnchanged)
    {
        const struct {
            const char* position;
            const char* maximized;
            QRect frame; // empty: the designed size, or maximized
        } cases[] = {
            { "1500, 3000, 12000, 6000", "False", QRect(100, 200, 800, 400) },
            { "1500, 3000", "False", QRect(100, 200, 600, 0) }, // widened to the minimum
            { "0, 0, 9000, 6600", "True", QRect() },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.position);
            MainWindowHarness h;
            const int designedHeight = h.Window().frameGeometry().height();
            h.window.reset();
            Seed(h,
                QByteArray("[Main]\nWindow Position=") + c.position + "\nMaximized=" + c.maximized);
            h.ShowAndActivate();
            EXPECT_EQ(h.Window().isMaximized(), c.frame.isNull());
            if (!c.frame.isNull())
                EXPECT_EQ(h.Window().frameGeometry(),
                    c.frame.height() ? c.frame
                                     : QRect(c.frame.topLeft(), QSize(600, designedHeight)));
            if (c.frame.height() == 0 && !c.frame.isNull())
                continue;
            if (!c.frame.isNull())
                h.Window().showMinimized(); // a minimized window restarts normal
            h.Window().close();
            EXPECT_EQ(h.Setting("Window Position"), c.position);
            EXPECT_EQ(h.Setting("Maximized"), c.maximized);
        }
    }

    TEST(MainWindowPlacement, ImpossiblePlacementsStillOpenOnScreen)
    {
        const struct {
            const char* position;
            const char* maximized; // a value that is no finite number is not true
            bool mayBeMaximized;
        } cases[] = {
            { "-2147483648, -2147483648, 2147483647, 2147483647", "False", false },
            { "2147483647, 2147483647, -2147483648, -2147483648", "0", false },
            { "99999999999999999999, -99999999999999999999, 1e308, -1e308", "-0", false },
            { "nan, inf, -inf, 0x7fffffff", "nan", false }, { "-5, -5, -5, -5", "1e999", false },
            { "0, 0, 0, 0", "TRUE ", true }, { ", , , , , , ,", "-NaN", false },
            { "1500,3000,12000,6000", "yes", false }, { "1, 2, 3, 4", "-inf", false },
            { "\xef\xbc\x91\xef\xbc\x92, 1, 1, 1", "\xef\xbc\x91", false }, // full-width digits
            { "245760, 245760, 9000, 6600", "\x01", false }, // 16384 px in: past any screen
        };
        for (const auto& c : cases) {
            const std::string what = std::string(c.position) + " / " + c.maximized;
            MainWindowHarness h;
            Seed(h,
                QByteArray("[Main]\nWindow Position=") + c.position + "\nMaximized=" + c.maximized);
            h.ShowAndActivate();
            ExpectOpenOnScreen(h.Window(), what);
            const bool maximized = h.Window().isMaximized();
            EXPECT_TRUE(c.mayBeMaximized || !maximized) << what;
            h.Window().close();
            if (maximized) // the normal placement is kept as it was while maximized
                continue;
            // What was written back reads as four whole numbers.
            const QStringList stored = h.Setting("Window Position").split(", ");
            ASSERT_EQ(stored.size(), 4) << what;
            for (const QString& number : stored) {
                bool ok = false;
                number.toInt(&ok);
                EXPECT_TRUE(ok) << what << ": " << number.toStdString();
            }
        }
    }

    TEST(SettingsFileHazards, RememberedFolderThatIsNoFolderOpensNothing)
    {
        TempFolder scratch;
        ASSERT_TRUE(MakeFifo(scratch.File("pipe")));
        scratch.Write("file.jpg", "not a folder");
        for (const QString& lastPath : { QString("/dev/zero"), scratch.File("pipe"),
                 scratch.File("file.jpg"), "/" + QString(2000, u'x') }) {
            MainWindowHarness h;
            h.SetSetting("Last Path", lastPath);
            h.ShowAndActivate();
            EXPECT_FALSE(h.Window().Grid().isVisible()) << lastPath.left(40).toStdString();
            EXPECT_TRUE(h.dialogs.messages.empty());
            EXPECT_EQ(h.Setting("Last Path"), lastPath);
        }
    }

    // Regression: opening a FIFO in the settings file's place waited for a writer for ever, so
    // the program hung before its window appeared. Should that happen again, the read runs on
    // its own thread and a writer is let in after a long grace, so the test fails instead.
    TEST(SettingsFileHazards, SettingsFileThatIsNoRegularFileIsNeitherWaitedOnNorReplaced)
    {
        for (const bool fifo : { true, false }) {
            MainWindowHarness h;
            const QByteArray path = QFile::encodeName(h.IniPath());
            ASSERT_TRUE(fifo ? MakeFifo(h.IniPath()) : QFile::link("/dev/zero", h.IniPath()));
            auto read = std::async(std::launch::async, [&h] { return h.Setting("Last Path"); });
            if (read.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
                const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                ::close(writer);
                FAIL() << "reading a FIFO settings file blocked";
            }
            EXPECT_EQ(read.get(), "<missing>");
            EXPECT_EQ(h.module1.WriteSetting("Main", "Last Path", "/tmp"), 0);
            h.ShowAndActivate();
            ExpectOpenOnScreen(h.Window(), fifo ? "FIFO settings" : "device settings");
            h.Window().close();
            EXPECT_TRUE(fifo ? S_ISFIFO(LinkMode(h.IniPath())) : S_ISLNK(LinkMode(h.IniPath())));
        }
    }

} // namespace
} // namespace gb::test
