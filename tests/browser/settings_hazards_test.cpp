// A settings file edited by hand, by another program or by a disk error: the main window still
// opens where it can be seen, and writing the settings back loses none of the other lines.
#include "main_window_harness.h"

#include "browser/thumb_grid.h"
#include "core/window_position.h"
#include "formats/ini_document.h"
#include "support/disk_checks.h"

#include <QFileInfo>
#include <QRegularExpression>
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

    // A placement is in twips (15 to the pixel); one that can be trusted is restored exactly and
    // written back unchanged, any other still opens a window on screen and is written back as
    // four whole numbers. A value of Maximized that is no finite number is not true.
    TEST(MainWindowPlacement, StoredPlacementsRestoreAndImpossibleOnesStillOpenOnScreen)
    {
        const struct {
            const char* position;
            const char* maximized;
            QRect frame; // expected when not null
            bool maximizes;
        } cases[] = {
            { "1500, 3000, 12000, 6000", "False", QRect(100, 200, 800, 400), false },
            { "1500, 3000, 12000, 6000", "0", QRect(100, 200, 800, 400), false }, // minimized
            { "0, 0, 9000, 6600", "True", QRect(), true },
            { "0, 0, 9000, 6600", " -1e2 ", QRect(), true },
            { "-2147483648, -2147483648, 2147483647, 2147483647", "False", QRect(), false },
            { "2147483647, 2147483647, -2147483648, -2147483648", "-0", QRect(), false },
            { "99999999999999999999, -99999999999999999999, 1e308, -1e308", "nan", QRect(), false },
            { "nan, inf, -inf, 0x7fffffff", "-NaN", QRect(), false },
            { "-5, -5, -5, -5", "1e999", QRect(), false },
            { ", , , , , , ,", "inf", QRect(), false },
            { "1500,3000,12000,6000", "yes", QRect(), false },
            { "1, 2, 3, 4", "\x01", QRect(), false },
            { "\xef\xbc\x91\xef\xbc\x92, 1, 1, 1", "\xef\xbc\x91", QRect(), false }, // full-width
            { "245760, 245760, 9000, 6600", "-inf", QRect(),
                false }, // 16384 px in: past any screen
        };
        for (const auto& c : cases) {
            const std::string what = std::string(c.position) + " / " + c.maximized;
            MainWindowHarness h;
            Seed(h,
                QByteArray("[Main]\nWindow Position=") + c.position + "\nMaximized=" + c.maximized);
            h.ShowAndActivate();
            ExpectOpenOnScreen(h.Window(), what);
            EXPECT_EQ(h.Window().isMaximized(), c.maximizes) << what;
            if (!c.frame.isNull()) {
                EXPECT_EQ(h.Window().frameGeometry(), c.frame) << what;
            }
            if (c.maximized == std::string("0"))
                h.Window().showMinimized();
            h.Window().close();
            EXPECT_EQ(h.Setting("Maximized"), c.maximizes ? "True" : "False") << what;
            const QStringList stored = h.Setting("Window Position").split(", ");
            if (c.maximizes || !c.frame.isNull()) { // kept as it was while maximized
                EXPECT_EQ(stored.join(", "), c.position) << what;
                continue;
            }
            ASSERT_EQ(stored.size(), 4) << what;
            for (const QString& number : stored)
                EXPECT_TRUE(QRegularExpression("^-?[0-9]+$").match(number).hasMatch()) << what;
        }
    }

    TEST(MainWindowPlacement, PartialPositionKeepsTheDesignedHeightWidenedToTheMinimum)
    {
        MainWindowHarness h;
        const int designedHeight = h.Window().frameGeometry().height();
        h.window.reset();
        h.SetSetting("Window Position", "1500, 3000");
        h.ShowAndActivate();
        EXPECT_EQ(h.Window().frameGeometry(), QRect(100, 200, 600, designedHeight));
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
