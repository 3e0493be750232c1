// The main window as a screen reader finds it: the real program on the samples under Xvfb and
// openbox, on the accessibility bus (at-spi2-core) that a private session bus starts on demand,
// read and driven through pyatspi by screen_reader.py.
#include "support/private_session_bus.h"
#include "support/window_manager_display.h"

#include <gmock/gmock.h>

#include <functional>
#include <optional>

namespace gb::test {
namespace {

    using ::testing::Contains;

    // pyatspi comes with Debian's interpreter, whichever python3 comes first on the path.
    const QString kPython = QStringLiteral("/usr/bin/python3");
    const QString kReader = QStringLiteral(GLIMMERBOX_SOURCE_DIR "/tests/a11y/screen_reader.py");
    const QString kSamples = QStringLiteral(GLIMMERBOX_SOURCE_DIR "/samples");

    class ScreenReader : public ::testing::Test {
    protected:
        void SetUp() override
        {
            if (!WindowManagerDisplay::Available()
                || QProcess::execute(kPython, { "-c", "import pyatspi" }) != 0
                || QStandardPaths::locate(
                    QStandardPaths::GenericDataLocation, "dbus-1/services/org.a11y.Bus.service")
                       .isEmpty())
                GTEST_SKIP() << "Xvfb, openbox, xdotool, at-spi2-core or python3-pyatspi missing";
            // The bus launcher would mark the display it is given with the bus's address; it is
            // given none, so a desktop this runs on keeps its own. Both ends ask the session bus.
            qunsetenv("DISPLAY");
            qunsetenv("AT_SPI_BUS_ADDRESS");
            bus_.emplace(QString(),
                QStringList { "dbus-daemon", "Xvfb", "openbox", "echo", "xdotool" },
                QStringList { "org.a11y.Bus" });
            display_.emplace("");
            display_->environment.insert("QT_ACCESSIBILITY", "1");
            display_->environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
            ASSERT_TRUE(display_->Start(kSamples));
        }
        void TearDown() override
        {
            if (display_)
                display_->running.terminate(), display_->running.waitForFinished();
        }
        // What the reader prints, a line each; nothing while the window is not on the bus.
        QStringList Read(const QStringList& arguments, int* exitCode = nullptr)
        {
            QProcess reader;
            reader.setProcessEnvironment(display_->environment);
            reader.start(kPython, QStringList { kReader } + arguments);
            reader.waitForFinished(WindowManagerDisplay::kPatienceMs);
            if (exitCode)
                *exitCode = reader.exitCode();
            return QString::fromUtf8(reader.readAllStandardOutput())
                .split('\n', Qt::SkipEmptyParts);
        }
        // What `command` prints once `done` holds of it (by default: a cell for each sample), or
        // as last heard.
        QStringList ReadOnce(const std::function<bool(const QStringList&)>& done = {},
            const QString& command = "cells")
        {
            QStringList lines;
            (void)QTest::qWaitFor(
                [&] {
                    lines = Read({ command });
                    return done ? done(lines) : lines.size() == samples_.size();
                },
                WindowManagerDisplay::kPatienceMs);
            return lines;
        }
        const QStringList samples_ = QDir(kSamples).entryList(QDir::Files);
        std::optional<PrivateSessionBus> bus_;
        std::optional<WindowManagerDisplay> display_;
    };

    TEST_F(ScreenReader, EveryControlThatTakesTheFocusOrAPressHasAName)
    {
        const QStringList controls
            = ReadOnce([](const QStringList& lines) { return !lines.isEmpty(); }, "controls");
        EXPECT_THAT(controls, Contains("push button\tSelect All")); // the toolbar is read
        for (const QString& control : controls) // a name that says something: not "<" or "..."
            EXPECT_TRUE(control.section('\t', 1).contains(QRegularExpression("\\w")))
                << qPrintable(control);
    }

    // Run the cases below with --gtest_also_run_disabled_tests until the grid speaks.
    TEST_F(ScreenReader, EveryPictureIsAnUncheckedCheckBoxNamedAfterItsFile)
    {
        QStringList expected;
        for (const QString& file : samples_)
            expected += "check box\t" + file + "\tunchecked";
        EXPECT_THAT(ReadOnce(), ::testing::UnorderedElementsAreArray(expected));
    }

    // Heard as each cell's tick changes, and read back from every cell after.
    TEST_F(ScreenReader, SelectAllIsHeardAsEveryCellChecked)
    {
        ASSERT_EQ(ReadOnce().size(), samples_.size());
        int pressed = -1;
        QStringList ticks; // as a screen reader hears them, without asking
        for (const QString& file : samples_)
            ticks += file + "\t1";
        EXPECT_THAT(
            Read({ "act", "Select All", "Press", QString::number(samples_.size()) }, &pressed),
            ::testing::UnorderedElementsAreArray(ticks));
        EXPECT_EQ(pressed, 0);
        const QStringList cells = ReadOnce([](const QStringList& now) {
            return now.filter(QRegularExpression("\tchecked$")).size() == now.size();
        });
        EXPECT_EQ(cells.size(), samples_.size());
        for (const QString& cell : cells)
            EXPECT_TRUE(cell.endsWith("\tchecked")) << qPrintable(cell);
    }

    // A ticked cell puts its file in the path panel; the tick taken off leaves the folder there.
    TEST_F(ScreenReader, ToggleFlipsOneCellAndThePathPanelFollows)
    {
        ASSERT_EQ(ReadOnce().size(), samples_.size());
        const QString file = samples_.first();
        for (const char* state : { "checked", "unchecked" }) {
            SCOPED_TRACE(state);
            const bool ticked = state == QString("checked");
            int toggled = -1;
            EXPECT_EQ(Read({ "act", file, "Toggle", "1" }, &toggled),
                QStringList { file + (ticked ? "\t1" : "\t0") });
            EXPECT_EQ(toggled, 0);
            const QString cell = "check box\t" + file + "\t" + state;
            EXPECT_THAT(ReadOnce([&](const QStringList& now) { return now.contains(cell); }),
                Contains(cell));
            const QString path = kSamples + "/" + (ticked ? file : QString());
            EXPECT_THAT(Read({ "labels" }), Contains(path));
        }
    }

} // namespace
} // namespace gb::test
