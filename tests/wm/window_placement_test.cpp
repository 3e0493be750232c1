// The main window under Xvfb with a real window manager (openbox), where the window gets a
// frame and placement can race the window manager. The program runs as a person starts it, on
// its own display, xdotool and wmctrl act on its window as a person would, and the settings
// file is read after each close.
#include "samplegen/image_writers.h"
#include "support/window_manager_display.h" // QTest, QProcess

inline void PrintTo(const QRect& rect, std::ostream* out) // as Qt writes it, in failures
{
    *out << qPrintable(QDebug::toString(rect));
}

namespace gb::test {
namespace {

    constexpr int kPatienceMs = WindowManagerDisplay::kPatienceMs;

    // One start of the program, and what a person does before closing the window.
    enum class Act { Nothing, DragTitleBar, DragCorner, ToggleMaximized };
    struct Try {
        Act act = Act::Nothing;
        QPoint by = {}; // how far a drag goes
    };
    struct Lifecycle {
        const char* name;
        QByteArray settings;
        std::vector<Try> tries;
        QRect firstShown = {}; // the first start's normal placement, when not the stored one
        QSize screen = { 1280, 800 };
    };
    void PrintTo(const Lifecycle& life, std::ostream* out) { *out << life.name; }
    class PersonAtTheWindow : public testing::TestWithParam<Lifecycle> { };

    QRect StoredFrame(const QString& stored) // of "Window Position / Maximized", in pixels
    {
        const QStringList twips = stored.section(" / ", 0, 0).split(", ");
        const auto at = [&](int i) { return twips.value(i).toInt() / 15; };
        return QRect(at(0), at(1), at(2), at(3));
    }

    // Does what a person does in `act` to the window showing at `normal`; where it is left.
    QRect Do(const WindowManagerDisplay& display, const Try& act, bool maximized, QRect normal)
    {
        const QRect frame = display.Frame();
        if (act.act == Act::DragTitleBar)
            display.Drag(frame.topLeft() + QPoint(frame.width() / 3, 8), act.by);
        if (act.act == Act::DragCorner)
            display.Drag(frame.bottomRight(), act.by);
        if (act.act == Act::ToggleMaximized) {
            display.Tool(
                "wmctrl", { "-r", "Glimmerbox", "-b", "toggle,maximized_vert,maximized_horz" });
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return display.Maximized() != maximized; }, kPatienceMs));
        }
        return act.act == Act::DragTitleBar ? frame.translated(act.by)
            : act.act == Act::DragCorner    ? frame.adjusted(0, 0, act.by.x(), act.by.y())
                                            : normal; // a restore goes back to it
    }

    // Each start shows what the last close stored, and each close stores what the person left,
    // start after start: dragged by the title bar or the corner, maximised and restored (the
    // normal placement kept while maximised), or stored out of reach by hand. Without settings
    // the whole framed window opens in the middle of the screen.
    TEST_P(PersonAtTheWindow, EachStartShowsWhatTheLastCloseStored)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb, openbox, xdotool, wmctrl or x11-utils is not installed";
        const Lifecycle& life = GetParam();
        WindowManagerDisplay display(
            life.settings, QString("%1x%2x24").arg(life.screen.width()).arg(life.screen.height()));
        TempFolder photos;
        photos.Write("a.bmp", tools::WriteBmp(tools::Solid({ 40, 30 }, Qt::darkCyan)));
        for (size_t i = 0; i < life.tries.size(); ++i) {
            const QString stored = display.StoredPlacement();
            const bool maximized = stored.endsWith("True");
            ASSERT_TRUE(display.Start(photos.Path())) << i;
            QRect normal = i || life.firstShown.isNull() ? StoredFrame(stored) : life.firstShown;
            if (stored.startsWith(" /")) { // designed: 580 x 338 inside its frame, centred
                normal.setSize(
                    QSize(580, 338).grownBy(display.FrameExtents()).expandedTo({ 600, 0 }));
                normal.moveCenter(QRect(QPoint(), life.screen).center());
            }
            const auto shown = [&](const QRect& frame) { // once shown, or what shows instead
                (void)QTest::qWaitFor(
                    [&] { return display.Maximized() || display.Frame() == frame; }, kPatienceMs);
                return display.Maximized() ? frame : display.Frame();
            };
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return display.Maximized() == maximized; }, kPatienceMs))
                << i;
            EXPECT_EQ(shown(normal), normal) << i;
            const QRect left = Do(display, life.tries[i], maximized, normal);
            EXPECT_EQ(shown(left), left) << i;
            const bool maximizedAtClose = display.Maximized();
            ASSERT_TRUE(display.WaitUntilActive(display.window)); // keys go to the active window
            const auto close = [&] { // the close box's ways: the window manager's and the keys'
                if (i % 2)
                    display.Tool("wmctrl", { "-c", "Glimmerbox" });
                else
                    display.Tool("xdotool", { "key", "alt+F4" });
            };
            close();
            // On a loaded machine openbox now and then drops a close before the window sees it;
            // a person presses again.
            if (!display.Ended(kPatienceMs / 4))
                close();
            ASSERT_TRUE(display.Ended()) << i;
            EXPECT_EQ(display.StoredPlacement().endsWith("True"), maximizedAtClose) << i;
            EXPECT_EQ(StoredFrame(display.StoredPlacement()),
                maximizedAtClose ? StoredFrame(stored) : left)
                << i;
        }
    }

    const std::vector<Try> kDrags { { Act::DragTitleBar, { -200, -150 } },
        { Act::DragTitleBar, { 250, 100 } }, { Act::DragTitleBar, { -150, 120 } },
        { Act::DragCorner, { 100, 80 } } };
    INSTANTIATE_TEST_SUITE_P(WindowUnderAWindowManager, PersonAtTheWindow,
        testing::Values(Lifecycle { "Dragged", "", kDrags },
            Lifecycle { "DraggedOnAWideScreen", "", kDrags, {}, { 1920, 1080 } },
            Lifecycle { "RestoredAfterMaximizedStarts",
                "Window Position=1500, 1500, 12000, 7500\nMaximized=True",
                std::vector<Try>(10, { Act::ToggleMaximized }) },
            Lifecycle { "TinyRestoredAfterAMaximizedStart",
                "Window Position=0, 0, 900, 660\nMaximized=True", { { Act::ToggleMaximized } },
                QRect(0, 0, 600, 285) },
            Lifecycle { "BelowTheScreen", "Window Position=1500, 11900, 9000, 5445", { {} },
                QRect(100, 437, 600, 363) }),

        [](const testing::TestParamInfo<Lifecycle>& row) { return row.param.name; });

    // ./run.sh on a machine without a display runs on a bare X server, where nothing activates
    // the window; a person's display has a window manager. Either way the picture is taken.
    TEST(Screenshot, IsTakenWithOrWithoutAWindowManagerAndItsPathPrinted)
    {
        if (!WindowManagerDisplay::Available())
            GTEST_SKIP() << "Xvfb, openbox, xdotool, wmctrl or x11-utils is not installed";
        TempFolder photos;
        photos.Write("a.bmp", tools::WriteBmp(tools::Solid({ 40, 30 }, Qt::darkCyan)));
        for (const bool managed : { false, true }) {
            WindowManagerDisplay display("", "1280x800x24", managed);
            EXPECT_EQ(display.Screenshot(photos.Path()), display.config.File("shot.png") + "\n");
            EXPECT_EQ(QImage(display.config.File("shot.png")).height(), 338) << managed;
        }
    }

} // namespace
} // namespace gb::test
