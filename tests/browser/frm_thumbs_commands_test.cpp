#include "main_window_harness.h"

#include "about/frm_about.h"
#include "browser/main_toolbar.h"
#include "browser/thumb_grid.h"
#include "rename/frm_rename.h"
#include "slideshow/frm_slide_show.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <sys/stat.h>

namespace gb::test {
namespace {

    // A window showing a.bmp, b.bmp, c.bmp and d.bmp.
    struct LoadedWindow : MainWindowHarness {
        LoadedWindow()
        {
            for (const char* name : { "a.bmp", "b.bmp", "c.bmp", "d.bmp" })
                WritePicture(photos, name);
            Window().show();
            WaitForLoad([&] { Window().OpenSourceFolder(photos.Path()); });
        }
        void Click(int index, Qt::KeyboardModifiers modifiers = {})
        {
            QTest::mouseClick(&Window().Grid(), Qt::LeftButton, modifiers,
                Window().Grid().CellRect(index).center());
        }
        void Trigger(const char* key) { Window().Toolbar().Button(key)->trigger(); }
        QList<int> Values() const
        {
            QList<int> values;
            for (const browser::ThumbCell& cell : window->Cells())
                values << cell.Value;
            return values;
        }
        QAction* MenuItem(const char* name)
        {
            return Window().ContextMenu().findChild<QAction*>(name);
        }
        TempFolder photos;
    };

    TEST(Selection, SelectAllShowsTheLastChangedCellAndDictionariesAreFresh)
    {
        LoadedWindow w;
        w.Click(1);
        w.Trigger("SelectAll");
        EXPECT_EQ(w.Values(), QList<int>({ 1, 1, 1, 1 }));
        EXPECT_EQ(w.Window().PanelText(3), w.photos.Path() + "/d.bmp");

        core::FilesPtr first = w.Window().GetSelectedFiles();
        core::FilesPtr second = w.Window().GetSelectedFiles();
        EXPECT_EQ(first->Keys(), QStringList({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" }));
        EXPECT_EQ(first->Items(), QStringList(4, w.photos.Path() + "/"));
        first->RenameKey("a.bmp", "renamed.bmp");
        EXPECT_EQ(second->Keys().first(), "a.bmp");
    }

    TEST(Selection, ShiftClickTicksTheRangeFromTheLastClick)
    {
        LoadedWindow w;
        w.Click(3);
        w.Click(1, Qt::ShiftModifier);
        EXPECT_EQ(w.Values(), QList<int>({ 0, 1, 1, 1 }));
        EXPECT_EQ(
            w.Window().GetSelectedFiles()->Keys(), QStringList({ "b.bmp", "c.bmp", "d.bmp" }));
    }

    TEST(Selection, KeyboardMovesFocusTicksAndOpensTheMenu)
    {
        LoadedWindow w;
        browser::ThumbGrid& grid = w.Window().Grid();
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_Right); // first key focuses cell 0
        QTest::keyClick(&grid, Qt::Key_Right);
        EXPECT_EQ(grid.FocusIndex(), 1);
        QTest::keyClick(&grid, Qt::Key_Space);
        EXPECT_EQ(w.Values(), QList<int>({ 0, 1, 0, 0 }));
        EXPECT_EQ(w.Window().PanelText(3), w.photos.Path() + "/b.bmp");
        QTest::keyClick(&grid, Qt::Key_Right);
        QTest::keyClick(&grid, Qt::Key_F10, Qt::ShiftModifier);
        EXPECT_EQ(w.Window().MenuIndex(), 2);
        EXPECT_TRUE(w.Window().ContextMenu().isVisible());
        w.Window().ContextMenu().hide();
        EXPECT_EQ(w.Values(), QList<int>({ 0, 1, 0, 0 }));
        QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(w.Values(), QList<int>({ 1, 1, 1, 1 }));
    }

    TEST(ContextMenu, RightClickRecordsTheCellAndLeavesTicks)
    {
        LoadedWindow w;
        w.Click(0);
        QTest::mouseClick(
            &w.Window().Grid(), Qt::RightButton, {}, w.Window().Grid().CellRect(2).center());
        EXPECT_EQ(w.Window().MenuIndex(), 2);
        EXPECT_EQ(w.Values(), QList<int>({ 1, 0, 0, 0 }));
        ASSERT_TRUE(w.Window().ContextMenu().isVisible());
        w.Window().ContextMenu().hide();
        EXPECT_EQ(w.MenuItem("mnuView")->text(), "&View\\Edit File");
        EXPECT_EQ(w.MenuItem("mnuWallpaper")->text(), "&Set as Wallpaper");
        w.MenuItem("mnuView")->trigger();
        EXPECT_EQ(w.shell.opened, QStringList({ w.photos.Path() + "/c.bmp" }));
    }

    TEST(DeleteCommand, NoChangesNothing)
    {
        LoadedWindow w;
        w.Click(0);
        w.Click(2);
        w.dialogs.msgBoxAnswers.push_back(platform::MsgBoxResult::No);
        w.Trigger("Delete");
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(w.dialogs.messages[0].prompt,
            "You are about to delete all selected files listed below! Are you "
            "sure?\na.bmp\nc.bmp\n");
        EXPECT_EQ(w.dialogs.messages[0].title, "GLIMMERBOX - DELETING FILE(S)");
        EXPECT_EQ(w.dialogs.messages[0].style, 4);
        EXPECT_EQ(w.Values(), QList<int>({ 1, 0, 1, 0 }));
        EXPECT_TRUE(QFile::exists(w.photos.File("a.bmp")));
    }

    TEST(DeleteCommand, YesDeletesTheTickedFilesAndNamesTheOnesThatStay)
    {
        LoadedWindow w;
        ::chmod(QFile::encodeName(w.photos.File("c.bmp")).constData(), 0444);
        w.Click(0);
        w.Click(2);
        w.dialogs.msgBoxAnswers.push_back(platform::MsgBoxResult::Yes);
        w.WaitForLoad([&] { w.Trigger("Delete"); });
        EXPECT_FALSE(QFile::exists(w.photos.File("a.bmp")));
        EXPECT_TRUE(QFile::exists(w.photos.File("b.bmp")));
        EXPECT_TRUE(QFile::exists(w.photos.File("c.bmp")));
        EXPECT_TRUE(QFile::exists(w.photos.File("d.bmp")));
        // Reloaded: a.bmp is gone from the grid and nothing is ticked.
        EXPECT_EQ(w.Window().PanelText(2), "File(s): 3");
        EXPECT_EQ(w.Values(), QList<int>({ 0, 0, 0 }));
        EXPECT_FALSE(w.Window().Toolbar().Button("Delete")->isEnabled());
        ASSERT_EQ(w.dialogs.messages.size(), 2u);
        EXPECT_TRUE(w.dialogs.messages[1].prompt.contains("c.bmp"));
        EXPECT_FALSE(w.dialogs.messages[1].prompt.contains("a.bmp"));
        EXPECT_EQ(w.dialogs.messages[1].style, 64);
    }

    TEST(HelpCommand, OkOpensTheHelpPageCancelDoesNot)
    {
        LoadedWindow w;
        w.dialogs.msgBoxAnswers.push_back(platform::MsgBoxResult::Cancel);
        w.Trigger("Help");
        EXPECT_TRUE(w.shell.opened.isEmpty());
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(w.dialogs.messages[0].prompt,
            "All Help Documentation for Glimmerbox is On-Line.\nYou must be connected to the "
            "internet to access Glimmerbox Help");
        EXPECT_EQ(w.dialogs.messages[0].style, 1);
        w.dialogs.msgBoxAnswers.push_back(platform::MsgBoxResult::Ok);
        w.Trigger("Help");
        EXPECT_EQ(w.shell.opened, QStringList({ "file:///usr/share/glimmerbox/GBHelp/toc.htm" }));
    }

    TEST(Wallpaper, WritesABitmapOfThePictureSizeAndSetsIt)
    {
        LoadedWindow w;
        WritePicture(w.photos, "e.jpg", QSize(123, 45));
        w.WaitForLoad([&] { w.Trigger("Refresh"); });
        QTest::mouseClick(
            &w.Window().Grid(), Qt::RightButton, {}, w.Window().Grid().CellRect(4).center());
        w.Window().ContextMenu().hide();
        w.MenuItem("mnuWallpaper")->trigger();

        const QString bmp = w.dataFolder.File("Wallpaper.bmp");
        const QByteArray bytes = w.dataFolder.Read("Wallpaper.bmp");
        ASSERT_TRUE(bytes.startsWith("BM"));
        QImage written(bmp, "BMP");
        EXPECT_EQ(written.size(), QSize(123, 45));
        EXPECT_TRUE(w.dialogs.messages.empty());
        ASSERT_FALSE(w.runner.calls.empty());
        EXPECT_EQ(w.runner.calls.back().program, "gsettings");
        EXPECT_TRUE(w.runner.calls.back().arguments.join(' ').contains("Wallpaper.bmp"));

        // A second use overwrites the file.
        QTest::mouseClick(
            &w.Window().Grid(), Qt::RightButton, {}, w.Window().Grid().CellRect(0).center());
        w.Window().ContextMenu().hide();
        w.MenuItem("mnuWallpaper")->trigger();
        EXPECT_EQ(QImage(bmp, "BMP").size(), QSize(40, 30));
    }

    TEST(Wallpaper, DamagedPictureOrUnwritableFolderLeavesTheWallpaperAlone)
    {
        LoadedWindow w;
        QTest::mouseClick(
            &w.Window().Grid(), Qt::RightButton, {}, w.Window().Grid().CellRect(1).center());
        w.Window().ContextMenu().hide();
        w.photos.Write("b.bmp", "damaged since it was listed");
        w.MenuItem("mnuWallpaper")->trigger();
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(w.dialogs.messages[0].style, 64);
        EXPECT_TRUE(w.dialogs.messages[0].prompt.contains("b.bmp"));
        EXPECT_TRUE(w.runner.calls.empty());
        EXPECT_FALSE(QFile::exists(w.dataFolder.File("Wallpaper.bmp")));

        // The data folder is replaced by a file, so nothing can be written into it.
        FakeAppInfo blocked(w.dataFolder.File("not-a-folder"));
        w.dataFolder.Write("not-a-folder", "x");
        MainWindowHarness other;
        other.appInfo = blocked;
        TempFolder photos;
        WritePicture(photos, "x.bmp");
        other.WaitForLoad([&] { other.Window().OpenSourceFolder(photos.Path()); });
        other.Window().ContextMenu().hide();
        other.Window().findChild<QAction*>("mnuWallpaper")->trigger();
        ASSERT_EQ(other.dialogs.messages.size(), 1u);
        EXPECT_TRUE(other.dialogs.messages[0].prompt.contains("could not be written"));
        EXPECT_TRUE(other.runner.calls.empty());
    }

} // namespace
} // namespace gb::test

namespace gb::test {
namespace {

    TEST(RenameCommand, HandsOverTheTicksHidesTheWindowAndReloadsAfterwards)
    {
        LoadedWindow w;
        w.Click(1);
        w.Click(3);
        bool checked = false;
        // Acts once the rename window is really up (its modal loop is running).
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            rename::frmRename* rename = w.Window().RenameWindow();
            if (!rename || !rename->isVisible())
                return;
            poll.stop();
            EXPECT_FALSE(w.Window().isVisible());
            EXPECT_EQ(rename->Files()->Keys(), QStringList({ "b.bmp", "d.bmp" }));
            // A file made while the window is open shows up after it closes.
            WritePicture(w.photos, "e.bmp");
            checked = true;
            rename->findChild<QPushButton*>("cmdDone")->click();
        });
        poll.start();
        w.WaitForLoad([&] { w.Trigger("Rename"); });
        EXPECT_TRUE(checked);
        EXPECT_TRUE(w.Window().isVisible());
        EXPECT_EQ(w.Window().PanelText(2), "File(s): 5");
        EXPECT_EQ(w.Values(), QList<int>({ 0, 0, 0, 0, 0 }));
    }

    TEST(SlideshowCommand, HandsOverTheTicksHidesTheWindowAndComesBackWithoutReloading)
    {
        LoadedWindow w;
        w.Click(1);
        w.Click(3);
        QSignalSpy loads(&w.Window(), &browser::frmThumbs::LoadFinished);
        bool checked = false;
        // Acts once the slide show is really up (its modal loop is running).
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* show = w.Window().findChild<slideshow::frmSlideShow*>("frmSlideShow");
            if (!show || !show->isVisible())
                return;
            poll.stop();
            EXPECT_FALSE(w.Window().isVisible());
            EXPECT_EQ(show->Files()->Keys(), QStringList({ "b.bmp", "d.bmp" }));
            EXPECT_EQ(show->Files()->Items(), QStringList(2, w.photos.Path() + "/"));
            EXPECT_TRUE(show->isMaximized());
            EXPECT_EQ(show->screen(), w.Window().screen());
            // A file made while the show is open does not appear: there is no reload.
            WritePicture(w.photos, "e.bmp");
            checked = true;
            show->findChild<QAction*>("Exit")->trigger();
        });
        poll.start();
        w.Trigger("Slideshow");
        EXPECT_TRUE(checked);
        EXPECT_TRUE(w.Window().isVisible());
        EXPECT_TRUE(loads.isEmpty());
        EXPECT_EQ(w.Window().PanelText(2), "File(s): 4");
        EXPECT_EQ(w.Values(), QList<int>({ 0, 1, 0, 1 }));
    }

} // namespace
} // namespace gb::test

namespace gb::test {
namespace {

    TEST(AboutCommand, ShowsOneKeptAboutWindowModallyOverTheVisibleMainWindow)
    {
        LoadedWindow w;
        w.Click(2);
        int showings = 0;
        about::frmAbout* first = nullptr;
        // Acts once the About window is really up (its modal loop is running).
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            about::frmAbout* aboutWindow = w.Window().AboutWindow();
            if (!aboutWindow || !aboutWindow->isVisible())
                return;
            poll.stop();
            ++showings;
            if (!first)
                first = aboutWindow;
            EXPECT_EQ(aboutWindow, first);
            EXPECT_TRUE(w.Window().isVisible());
            EXPECT_EQ(QApplication::activeModalWidget(), aboutWindow);
            EXPECT_EQ(aboutWindow->windowTitle(), "About Glimmerbox");
            EXPECT_FALSE(aboutWindow->windowIcon().isNull());
            EXPECT_EQ(aboutWindow->windowIcon().cacheKey(), w.Window().windowIcon().cacheKey());
            aboutWindow->findChild<QPushButton*>("cmdOK")->click();
        });
        for (int i = 0; i < 2; ++i) {
            poll.start();
            w.Trigger("About");
            EXPECT_EQ(showings, i + 1);
            EXPECT_FALSE(first && first->isVisible());
        }
        EXPECT_TRUE(w.Window().isVisible());
        // Nothing was reloaded: the tick is still there.
        EXPECT_EQ(w.Values(), QList<int>({ 0, 0, 1, 0 }));
        EXPECT_TRUE(w.dialogs.messages.empty());
    }

} // namespace
} // namespace gb::test
