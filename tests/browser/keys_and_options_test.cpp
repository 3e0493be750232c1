// The keys and clicks people expect, the Options reached from the window, hidden types' hint.
#include "main_window_harness.h"

#include "options/frm_options.h"
#include "samplegen/heif_writers.h"
#include "slideshow/frm_slide_show.h"
#include "support/modal_runner.h"

#include <QCheckBox>
#include <QLabel>

namespace gb::test {
namespace {

    // Delete, F2 and F5 ask for their buttons' commands, only while those are enabled.
    struct ToolbarKey {
        const char* name;
        Qt::Key key;
        browser::ToolbarCommand command;
    };
    const ToolbarKey kToolbarKeys[] = {
        { "Delete", Qt::Key_Delete, browser::ToolbarCommand::Delete },
        { "F2", Qt::Key_F2, browser::ToolbarCommand::Rename },
        { "F5", Qt::Key_F5, browser::ToolbarCommand::Refresh },
    };
    class ToolbarKeys : public testing::TestWithParam<ToolbarKey> { };

    TEST_P(ToolbarKeys, AskForTheirButtonsCommandOnlyWhileItIsEnabled)
    {
        LoadedWindow w;
        browser::MainToolbar& toolbar = w.Window().Toolbar();
        QObject::disconnect(&toolbar, &browser::MainToolbar::ButtonClicked, &w.Window(), nullptr);
        QSignalSpy asked(&toolbar, &browser::MainToolbar::ButtonClicked);
        QTest::keyClick(&w.Window(), GetParam().key); // nothing ticked
        const bool always = GetParam().command == browser::ToolbarCommand::Refresh;
        EXPECT_EQ(asked.size(), always ? 1 : 0);
        w.Click(2);
        QTest::keyClick(&w.Window(), GetParam().key);
        ASSERT_EQ(asked.size(), always ? 2 : 1);
        EXPECT_EQ(asked.last()[0].value<browser::ToolbarCommand>(), GetParam().command);
    }
    INSTANTIATE_TEST_SUITE_P(Keys, ToolbarKeys, testing::ValuesIn(kToolbarKeys),
        [](const testing::TestParamInfo<ToolbarKey>& row) { return std::string(row.param.name); });

    // Enter on the focused cell, or a double-click on a cell, shows every picture of the folder
    // from that one, leaving the ticks and the status bar as they were.
    struct Opening {
        const char* name;
        void (*open)(browser::ThumbGrid& grid, int cell);
    };
    const Opening kOpenings[] = {
        { "Enter",
            [](browser::ThumbGrid& grid, int cell) {
                grid.SetFocusIndex(cell);
                QTest::keyClick(&grid, Qt::Key_Return);
            } },
        { "DoubleClick", // as a window system delivers one
            [](browser::ThumbGrid& grid, int cell) {
                const QPoint at = grid.CellRect(cell).center();
                QTest::mouseClick(&grid, Qt::LeftButton, {}, at);
                QTest::mousePress(&grid, Qt::LeftButton, {}, at);
                QTest::mouseDClick(&grid, Qt::LeftButton, {}, at);
                QTest::mouseRelease(&grid, Qt::LeftButton, {}, at);
            } },
    };
    class ShowFromCell : public testing::TestWithParam<Opening> { };

    TEST_P(ShowFromCell, ShowsEveryPictureFromItAndLeavesTheTicksAndTheStatusBar)
    {
        LoadedWindow w;
        w.Click(0);
        const QString path = w.Window().PanelText(3);
        RunModal([&] { return w.Window().findChild<slideshow::frmSlideShow*>("frmSlideShow"); },
            [&](slideshow::frmSlideShow& show) {
                EXPECT_EQ(show.Files()->Keys(), Tags(w.Window()));
                EXPECT_EQ(show.CurrentIndex(), 2);
                show.findChild<QAction*>("Exit")->trigger();
            },
            [&] { GetParam().open(w.Window().Grid(), 2); });
        EXPECT_EQ(w.Values(), QList<int>({ 1, 0, 0, 0 }));
        EXPECT_EQ(w.Window().PanelText(3), path);
    }
    INSTANTIATE_TEST_SUITE_P(Ways, ShowFromCell, testing::ValuesIn(kOpenings),
        [](const testing::TestParamInfo<Opening>& row) { return std::string(row.param.name); });

    // Ctrl+Comma, or either menu, opens Options; only an option a load reads reloads the folder.
    TEST(OptionsFromTheMainWindow, ReloadOnlyForAnOptionTheLoadReads)
    {
        LoadedWindow w;
        auto* item = w.Window().findChild<QAction*>("mnuOptions");
        EXPECT_TRUE(w.Window().ContextMenu().actions().contains(item));
        EXPECT_TRUE(w.Window().TypesMenu().actions().contains(item));
        for (const std::string option : { "chkFitPictures", "chkSortReverse" }) {
            w.Window().activateWindow(); // offscreen, no window manager gives it back
            ASSERT_TRUE(QTest::qWaitForWindowActive(&w.Window()));
            RunModal([&] { return w.Window().findChild<options::frmOptions*>("frmOptions"); },
                [&](options::frmOptions& o) {
                    o.findChild<QCheckBox*>(option.c_str())->click();
                    o.accept();
                },
                [&] { QTest::keyClick(&w.Window(), Qt::Key_Comma, Qt::ControlModifier); });
            EXPECT_EQ(w.Window().IsLoading(), option == "chkSortReverse") << option;
            EXPECT_TRUE(QTest::qWaitFor([&] { return !w.Window().IsLoading(); }));
        }
    }

    // Pictures of types shown only on request are counted and the way to them named.
    TEST(HiddenTypes, AFolderOfHeicFilesHintsAtThemWhileTheSwitchIsOff)
    {
        MainWindowHarness w;
        TempFolder photos;
        for (const char* name : { "a.heic", "b.HEIC" })
            photos.Write(name, tools::WriteHeic({ tools::Gradient({ 40, 30 }) }));
        w.Open(photos.Path());
        const auto* hint = w.Window().findChild<QLabel*>("sbrMainHint");
        EXPECT_TRUE(hint->text().startsWith("2 pictures hidden (HEIC)"));
        EXPECT_TRUE(hint->isVisibleTo(&w.Window()));
        EXPECT_EQ(w.dialogs.messages.size(), 1u); // there are no image files to display
        w.module1.SetEveryPictureType(true, false);
        w.WaitForLoad([&] { w.Window().LoadThumbnails(); });
        EXPECT_FALSE(hint->isVisibleTo(&w.Window()));
    }

} // namespace
} // namespace gb::test
