// The main window's commands on a loaded folder: ticking, the context menu, Delete, Help, the
// wallpaper and the windows it hands the ticked files to.
#include "main_window_harness.h"

#include "about/frm_about.h"
#include "rename/frm_rename.h"
#include "slideshow/frm_slide_show.h"
#include "support/disk_checks.h"
#include "support/modal_runner.h"
#include "support/private_trash.h"

#include <QApplication>
#include <QPushButton>
#include <QUrl>
#include <sys/stat.h>

namespace gb::test {
namespace {

    TEST(Selection, ClicksKeysAndSelectAllTickShowTheLastChangedCellAndLeaveTheMenuCell)
    {
        LoadedWindow w({ "a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp" });
        EXPECT_FALSE(w.Enabled("Delete") || w.Enabled("Rename") || w.Enabled("Slideshow"));
        w.Click(1);
        EXPECT_EQ(w.Window().PanelText(3), w.photos.File("b.bmp"));
        EXPECT_TRUE(w.Enabled("Delete") && w.Enabled("Rename") && w.Enabled("Slideshow"));
        w.Click(1);
        EXPECT_EQ(w.Window().PanelText(3), w.photos.Path() + "/");
        EXPECT_FALSE(w.Enabled("Delete"));
        w.Click(4);
        w.Click(2, Qt::ShiftModifier); // the range back to the last click
        EXPECT_EQ(w.Values(), QList<int>({ 0, 0, 1, 1, 1 }));
        w.Click(0);
        w.Click(2, Qt::ShiftModifier); // and on from the first cell
        EXPECT_EQ(w.Values(), QList<int>(5, 1));
        w.Click(1);
        w.Click(2);
        EXPECT_TRUE(w.Enabled("Delete")); // three are still ticked
        w.Trigger("SelectAll"); // ends on the last cell it changed, not on the last cell
        EXPECT_EQ(w.Values(), QList<int>(5, 1));
        EXPECT_EQ(w.Window().PanelText(3), w.photos.File("c.bmp"));
        w.Window().GetSelectedFiles()->RenameKey("a.bmp", "x.bmp"); // each call a fresh one
        EXPECT_EQ(w.Window().GetSelectedFiles()->Keys().first(), "a.bmp");
        w.WaitForLoad([&] { w.Trigger("Refresh"); }); // a new load clears every tick
        EXPECT_TRUE(w.Values() == QList<int>(5, 0) && !w.Enabled("Delete"));

        // The keyboard, or a right click, opens the menu on a cell and leaves the ticks.
        browser::ThumbGrid& grid = w.Window().Grid();
        grid.setFocus(); // on the first cell: a new listing starts there
        QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier); // Shift alone is no menu key
        EXPECT_FALSE(w.Window().ContextMenu().isVisible());
        QTest::keyClick(&grid, Qt::Key_F10, Qt::ShiftModifier);
        EXPECT_EQ(w.Window().MenuIndex(), 1);
        EXPECT_TRUE(w.Window().ContextMenu().isVisible());
        w.Window().ContextMenu().hide();
        QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(w.Values(), QList<int>(5, 1));
        w.Click(0);
        QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier); // changes the first cell alone
        EXPECT_EQ(w.Window().PanelText(3), w.photos.File("a.bmp"));
        w.Click(0, {}, Qt::RightButton);
        EXPECT_TRUE(w.Window().MenuIndex() == 0 && w.Values() == QList<int>(5, 1));
        w.MenuItem("mnuView")->trigger();
        EXPECT_EQ(w.shell.opened, QStringList({ w.photos.File("a.bmp") }));
        EXPECT_TRUE(w.dialogs.messages.empty());
        w.shell.accept = false; // no program but this one takes the file
        w.MenuItem("mnuView")->trigger();
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(w.dialogs.messages[0].prompt,
            "No program other than Glimmerbox is set up to open \"" + w.photos.File("a.bmp")
                + "\", so it was not opened.");
        w.shell.accept = true;
        w.Click(4, {}, Qt::RightButton); // its cell is gone when the menu item is chosen
        ASSERT_TRUE(QFile::remove(w.photos.File("e.bmp")));
        w.WaitForLoad([&] { w.Trigger("Refresh"); });
        w.MenuItem("mnuView")->trigger();
        EXPECT_EQ(w.shell.opened.last(), QString()); // never a file of another cell
    }

    // The ticked files are a, b and c; b was deleted by another program since the load.
    TEST(DeleteCommand, DeletesWhatItCanNamesEachFileThatStaysOnceAndReloads)
    {
        const struct {
            const char* what;
            int answer;
            mode_t aMode; // a.bmp's permissions: 0444 is refused without force
            QStringList left;
            const char* report; // the second message, with what could not go and why
        } cases[] = {
            { "no", platform::MsgBoxResult::No, 0644, { "a.bmp", "c.bmp", "d.bmp" }, "" },
            { "yes", platform::MsgBoxResult::Yes, 0644, { "d.bmp" }, "" },
            { "read-only file", platform::MsgBoxResult::Yes, 0444, { "a.bmp", "d.bmp" }, "a.bmp" },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            LoadedWindow w({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" });
            for (const int cell : { 0, 1, 2 })
                w.Click(cell);
            ASSERT_TRUE(QFile::remove(w.photos.File("b.bmp")));
            ::chmod(QFile::encodeName(w.photos.File("a.bmp")).constData(), c.aMode);
            w.dialogs.msgBoxAnswers.push_back(c.answer);
            QSignalSpy loads(&w.Window(), &browser::frmThumbs::LoadFinished);
            w.Trigger("Delete");
            const bool yes = c.answer == platform::MsgBoxResult::Yes;
            EXPECT_TRUE(!yes || loads.wait()); // a reload ends the deletions
            const auto& asked = w.dialogs.messages.at(0);
            EXPECT_EQ(asked.prompt,
                "You are about to delete all selected files listed below! Are you "
                "sure?\na.bmp\nb.bmp\nc.bmp\n");
            EXPECT_EQ(asked.title + QString::number(asked.style), "GLIMMERBOX - DELETING FILE(S)4");
            EXPECT_EQ(Entries(w.photos.Path()), c.left);
            ASSERT_EQ(w.dialogs.messages.size(), QString(c.report).isEmpty() ? 1u : 2u);
            if (c.answer == platform::MsgBoxResult::No) {
                EXPECT_TRUE(loads.isEmpty() && w.Values() == QList<int>({ 1, 1, 1, 0 }));
                continue;
            }
            EXPECT_TRUE(!loads.isEmpty() || loads.wait(10000)) << "reloaded";
            EXPECT_TRUE(w.Values() == QList<int>(c.left.size(), 0) && !w.Enabled("Delete"));
            const QStringList named = QString(c.report).split(' ', Qt::SkipEmptyParts);
            if (named.isEmpty())
                continue;
            const QString report = w.dialogs.messages[1].prompt;
            EXPECT_EQ(w.dialogs.messages[1].style, 64);
            for (const char* name : { "a.bmp", "b.bmp", "c.bmp", "d.bmp" })
                EXPECT_EQ(report.count(name), named.contains(name) ? 1 : 0) << name;
            EXPECT_TRUE(report.contains("read-only")) << report.toStdString(); // and why
        }
    }

    // As a person may choose, Delete moves the files to the Trash; a file the Trash cannot take
    // is deleted for good only on a second, separate Yes.
    TEST(DeleteCommand, ToTheTrashWhereItCanElseOnlyOnASecondYes)
    {
        namespace Answer = platform::MsgBoxResult;
        const struct {
            const char* what;
            bool trashBlocked; // a file stands where the Trash would be
            int second; // to the question about files the Trash refused
            QStringList left, trashed;
        } cases[] = {
            { "trashed", false, Answer::No, { "c.bmp" }, { "a.bmp", "b.bmp" } },
            { "refused, kept", true, Answer::No, { "a.bmp", "b.bmp", "c.bmp" }, {} },
            { "refused, deleted", true, Answer::Yes, { "c.bmp" }, {} },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            const PrivateTrash home;
            if (c.trashBlocked)
                home.data.Write("Trash", "not a folder");
            LoadedWindow w({ "a.bmp", "b.bmp", "c.bmp" });
            w.SetSetting("Delete To Trash", "True");
            w.Click(0);
            w.Click(1);
            w.dialogs.msgBoxAnswers = { Answer::Yes, c.second };
            QSignalSpy loads(&w.Window(), &browser::frmThumbs::LoadFinished);
            w.Trigger("Delete");
            // The deletion a second Yes starts reloads again.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return !loads.isEmpty() && !w.Window().IsLoading()
                        && Entries(w.photos.Path()) == c.left;
                },
                10000));
            const auto& asked = w.dialogs.messages.at(0);
            EXPECT_EQ(asked.prompt,
                "You are about to move all selected files listed below to the Trash! Are you "
                "sure?\na.bmp\nb.bmp\n");
            EXPECT_EQ(asked.title, "GLIMMERBOX - TRASHING FILE(S)");
            EXPECT_EQ(Entries(w.photos.Path()), c.left);
            EXPECT_EQ(
                c.trashBlocked ? QStringList() : Entries(home.data.File("Trash/files")), c.trashed);
            ASSERT_EQ(w.dialogs.messages.size(), c.trashBlocked ? 2u : 1u);
            if (c.trashBlocked) {
                const QString question = w.dialogs.messages[1].prompt;
                EXPECT_TRUE(question.contains("a.bmp: ")) << question.toStdString();
                EXPECT_TRUE(question.contains("b.bmp: "));
                EXPECT_TRUE(question.contains("no Trash"));
                EXPECT_EQ(w.dialogs.messages[1].style, 4);
            }
        }
    }

    TEST(Wallpaper, WritesABitmapOfThePictureSizeAndTellsTheDesktop)
    {
        LoadedWindow w;
        WritePicture(w.photos, "e.jpg", QSize(123, 45));
        w.WaitForLoad([&] { w.Trigger("Refresh"); });
        w.SetWallpaper(4);
        ASSERT_TRUE(w.dataFolder.Read("Wallpaper.bmp").startsWith("BM"));
        EXPECT_EQ(QImage(w.dataFolder.File("Wallpaper.bmp"), "BMP").size(), QSize(123, 45));
        ASSERT_TRUE(w.dialogs.messages.empty() && !w.runner.calls.empty());
        EXPECT_TRUE(w.runner.stored.value("org.gnome.desktop.background picture-uri")
                        .endsWith("/Wallpaper.bmp"));
        // Asked again while the desktop is still answering: the second request is not started.
        const size_t once = w.runner.calls.size();
        w.runner.during = [&] { w.MenuItem("mnuWallpaper")->trigger(); };
        w.SetWallpaper(4);
        EXPECT_EQ(w.runner.calls.size(), 2 * once);
    }

    // Both hide the main window while they run; only a rename reloads it afterwards.
    TEST(SlideshowAndRename, HandOverTheTicksAndHideTheWindowWhileTheyRun)
    {
        LoadedWindow w;
        for (const int cell : { 1, 3 })
            w.Click(cell);
        QSignalSpy loads(&w.Window(), &browser::frmThumbs::LoadFinished);
        RunModal([&] { return w.Window().findChild<slideshow::frmSlideShow*>("frmSlideShow"); },
            [&](slideshow::frmSlideShow& show) {
                EXPECT_FALSE(w.Window().isVisible());
                EXPECT_EQ(show.Files()->Keys(), QStringList({ "b.bmp", "d.bmp" }));
                EXPECT_TRUE(show.isMaximized() && show.screen() == w.Window().screen());
                show.findChild<QAction*>("Exit")->trigger();
            },
            [&] { w.Trigger("Slideshow"); });
        EXPECT_TRUE(w.Window().isVisible() && loads.isEmpty());
        w.WaitForLoad([&] {
            RunModal([&] { return w.Window().RenameWindow(); },
                [&](rename::frmRename& rename) {
                    EXPECT_FALSE(w.Window().isVisible());
                    EXPECT_EQ(rename.Files()->Keys(), QStringList({ "b.bmp", "d.bmp" }));
                    WritePicture(w.photos, "e.bmp"); // shows up after the window closes
                    rename.findChild<QPushButton*>("cmdDone")->click();
                },
                [&] { w.Trigger("Rename"); });
        });
        EXPECT_TRUE(w.Window().isVisible() && w.Values() == QList<int>(5, 0));
    }

    TEST(HelpAndAbout, HelpOpensThePageOnOkAndAboutShowsOneKeptModalWindowOverTheMain)
    {
        LoadedWindow w;
        w.Click(2);
        w.dialogs.msgBoxAnswers = { platform::MsgBoxResult::Cancel, platform::MsgBoxResult::Ok };
        w.Trigger("Help");
        EXPECT_TRUE(w.shell.opened.isEmpty());
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(QString::number(w.dialogs.messages[0].style) + w.dialogs.messages[0].prompt,
            "1All Help Documentation for Glimmerbox is On-Line.\nYou must be connected to the "
            "internet to access Glimmerbox Help");
        w.Trigger("Help");
        EXPECT_EQ(w.shell.opened, QStringList({ "https://example.org/glimmerbox/GBHelp/toc.htm" }));
        // Pages of our own open without the prompt; a missing one is reported, not ignored.
        TempFolder pages;
        w.appInfo.helpSite = QUrl::fromLocalFile(pages.Path()).toString();
        w.Trigger("Help");
        ASSERT_EQ(w.dialogs.messages.size(), 3u);
        EXPECT_EQ(w.dialogs.messages[2].prompt,
            "The Glimmerbox Help pages were not found:\n" + pages.File("GBHelp/toc.htm"));
        ASSERT_TRUE(QDir(pages.Path()).mkpath("GBHelp"));
        pages.Write("GBHelp/toc.htm", "<html></html>");
        w.Trigger("Help");
        EXPECT_EQ(w.dialogs.messages.size(), 3u);
        EXPECT_EQ(
            w.shell.opened.value(1), QUrl::fromLocalFile(pages.File("GBHelp/toc.htm")).toString());
        about::frmAbout* first = nullptr;
        for (int i = 0; i < 2; ++i)
            RunModal([&] { return w.Window().AboutWindow(); },
                [&](about::frmAbout& about) {
                    EXPECT_EQ(&about, first ? first : (first = &about));
                    EXPECT_TRUE(
                        w.Window().isVisible() && QApplication::activeModalWidget() == &about);
                    EXPECT_EQ(about.windowIcon().cacheKey(), w.Window().windowIcon().cacheKey());
                    about.findChild<QPushButton*>("cmdOK")->click();
                },
                [&] { w.Trigger("About"); });
        EXPECT_EQ(w.Values(), QList<int>({ 0, 0, 1, 0 })); // nothing was reloaded
    }

} // namespace
} // namespace gb::test
