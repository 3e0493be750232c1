#include "main_window_harness.h"

#include "browser/main_toolbar.h"
#include "browser/thumb_grid.h"

#include <QAction>
#include <QFile>

namespace gb::test {
namespace {

    using browser::ThumbCell;

    bool Enabled(browser::frmThumbs& window, const char* key)
    {
        return window.Toolbar().Button(QString::fromLatin1(key))->isEnabled();
    }

    TEST(MainWindowStart, WithoutSettingsAsksForAFolderAndSavesPlacementOnClose)
    {
        MainWindowHarness h;
        h.ShowAndActivate();
        ASSERT_EQ(h.dialogs.folderRequests.size(), 1u);
        EXPECT_EQ(h.dialogs.folderRequests[0].title, "Select a Folder with Images...");
        EXPECT_EQ(h.dialogs.folderRequests[0].initialFolder, "");
        EXPECT_FALSE(h.Window().Grid().isVisible());
        EXPECT_FALSE(QFile::exists(h.IniPath())); // nothing written before closing

        h.Window().move(10, 20);
        h.Window().resize(700, 400);
        const QRect outer = h.Window().frameGeometry();
        h.Window().close();
        EXPECT_EQ(h.Setting("Window Position"),
            QString("150, 300, %1, %2").arg(outer.width() * 15).arg(outer.height() * 15));
        EXPECT_EQ(h.Setting("Maximized"), "False");
        EXPECT_EQ(h.Setting("Last Path"), "<missing>");
    }

    TEST(MainWindowStart, RememberedFolderLoadsInNameOrderIgnoringCase)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "b.jpg");
        WritePicture(photos, "A.gif");
        WritePicture(photos, "c.BMP");
        photos.Write("notes.txt", "not a picture");
        WritePicture(photos, ".hidden.jpg");
        h.SetSetting("Last Path", photos.Path());

        h.WaitForLoad([&] { h.ShowAndActivate(); });
        browser::frmThumbs& w = h.Window();
        EXPECT_TRUE(h.dialogs.folderRequests.empty());
        EXPECT_EQ(Tags(w), QStringList({ "A.gif", "b.jpg", "c.BMP" }));
        EXPECT_EQ(w.PanelText(2), "File(s): 3");
        EXPECT_EQ(w.PanelText(3), photos.Path() + "/");
        EXPECT_EQ(w.SourcePath(), photos.Path() + "/");
        for (const ThumbCell& cell : w.Cells()) {
            EXPECT_EQ(cell.ToolTipText, cell.Tag);
            EXPECT_EQ(cell.Caption, cell.Tag);
            EXPECT_EQ(cell.Value, 0);
            EXPECT_EQ(cell.Picture.Tile(Qt::gray).size(), QSize(64, 64));
            EXPECT_EQ(cell.Picture.picture.format(), QImage::Format_RGB888);
        }
        EXPECT_TRUE(w.Grid().isVisible());
        EXPECT_FALSE(Enabled(w, "Delete"));
        EXPECT_FALSE(Enabled(w, "Rename"));
        EXPECT_FALSE(Enabled(w, "Slideshow"));
        EXPECT_TRUE(Enabled(w, "SelectAll"));
        EXPECT_TRUE(Enabled(w, "Browse"));
    }

    TEST(MainWindowLoad, DamagedFileGetsNoCellAndCountsChange)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "1.bmp");
        photos.Write("2.jpg", QByteArray("\xFF\xD8\xFF\xE0 truncated", 14));
        WritePicture(photos, "3.gif");

        QList<int> percents;
        QStringList countsDuringLoad;
        h.Window();
        QObject::connect(
            &h.Window(), &browser::frmThumbs::ProgressStepped, [&](int percent, const QString&) {
                percents << percent;
                countsDuringLoad << h.Window().PanelText(2);
            });
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        EXPECT_EQ(percents, QList<int>({ 33, 67, 100 }));
        EXPECT_EQ(countsDuringLoad, QStringList(3, "File(s): 3"));
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 2");
        EXPECT_EQ(Tags(h.Window()), QStringList({ "1.bmp", "3.gif" }));
        EXPECT_EQ(h.Setting("Last Path"), photos.Path());
    }

    TEST(MainWindowLoad, EmptyFolderExplainsAndDisablesSelection)
    {
        MainWindowHarness h;
        TempFolder photos;
        photos.Write("readme.txt", "x");
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_EQ(h.dialogs.messages[0].prompt,
            "There are no image files to display in the current directory.  Please select "
            "BROWSE to select a new source folder.");
        EXPECT_EQ(h.dialogs.messages[0].style, 64);
        EXPECT_EQ(h.dialogs.messages[0].title, "Glimmerbox");
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 0");
        EXPECT_EQ(h.Window().PanelText(3), photos.Path() + "/");
        EXPECT_FALSE(h.Window().Grid().isVisible());
        EXPECT_FALSE(Enabled(h.Window(), "SelectAll"));
        EXPECT_FALSE(Enabled(h.Window(), "Delete"));
        EXPECT_EQ(h.Setting("Last Path"), photos.Path()); // remembered all the same
    }

    TEST(MainWindowLoad, FolderOfOnlyBrokenFilesLeavesNothingToTick)
    {
        MainWindowHarness h;
        TempFolder good;
        WritePicture(good, "old.bmp");
        TempFolder broken;
        broken.Write("a.jpg", "junk");
        broken.Write("b.bmp", "");
        h.Window().show();
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(good.Path()); });
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(broken.Path()); });

        EXPECT_TRUE(Tags(h.Window()).isEmpty());
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 0");
        EXPECT_FALSE(Enabled(h.Window(), "SelectAll"));
        QTest::mouseClick(&h.Window().Grid(), Qt::LeftButton, {}, QPoint(40, 40));
        EXPECT_EQ(h.Window().Cells()[0].Value, 0);
        EXPECT_FALSE(Enabled(h.Window(), "Delete"));
    }

    TEST(MainWindowLoad, RefreshDuringALoadStartsItOver)
    {
        MainWindowHarness h;
        TempFolder photos;
        for (int i = 0; i < 6; ++i)
            WritePicture(photos, QString("p%1.bmp").arg(i));
        QStringList steps;
        h.Window();
        QObject::connect(
            &h.Window(), &browser::frmThumbs::ProgressStepped, [&](int, const QString& name) {
                steps << name;
                if (steps.size() == 2)
                    h.Window().Toolbar().Button("Refresh")->trigger();
            });
        QSignalSpy finished(&h.Window(), &browser::frmThumbs::LoadFinished);
        h.Window().OpenSourceFolder(photos.Path());
        EXPECT_EQ(finished.size(), 1);
        EXPECT_EQ(steps,
            QStringList({ "p0.bmp", "p1.bmp", "p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp", "p4.bmp",
                "p5.bmp" }));
        EXPECT_EQ(Tags(h.Window()).size(), 6);
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 6");
    }

    TEST(MainWindowLoad, ClosingDuringALoadStopsItForGood)
    {
        MainWindowHarness h;
        TempFolder photos;
        for (int i = 0; i < 4; ++i)
            WritePicture(photos, QString("p%1.bmp").arg(i));
        QStringList steps;
        QObject::connect(
            &h.Window(), &browser::frmThumbs::ProgressStepped, [&](int, const QString& name) {
                steps << name;
                if (steps.size() == 2) {
                    h.Window().close();
                    EXPECT_TRUE(h.Window().IsLoading()); // until this pass has unwound
                    h.Window().Toolbar().Button("Refresh")->trigger();
                }
            });
        QSignalSpy finished(&h.Window(), &browser::frmThumbs::LoadFinished);
        h.Window().OpenSourceFolder(photos.Path());
        EXPECT_EQ(steps, QStringList({ "p0.bmp", "p1.bmp" }));
        EXPECT_TRUE(finished.isEmpty());
        EXPECT_FALSE(h.Window().IsLoading());
        EXPECT_FALSE(h.Window().OpenSourceFolder(photos.Path()));
    }

    TEST(MainWindowLoad, OpeningAnotherFolderDuringALoadCancelsTheRest)
    {
        MainWindowHarness h;
        TempFolder first, second;
        for (int i = 0; i < 40; ++i)
            WritePicture(first, QString("first%1.jpg").arg(i, 2, 10, QChar('0')), QSize(300, 200));
        for (const char* name : { "x.gif", "y.bmp" })
            WritePicture(second, name);
        QStringList steps;
        h.Window();
        QObject::connect(
            &h.Window(), &browser::frmThumbs::ProgressStepped, [&](int, const QString& name) {
                steps << name;
                if (steps.size() == 3)
                    h.Window().OpenSourceFolder(second.Path());
            });
        QSignalSpy finished(&h.Window(), &browser::frmThumbs::LoadFinished);
        h.Window().OpenSourceFolder(first.Path());
        EXPECT_EQ(finished.size(), 1);
        EXPECT_EQ(steps.mid(3), QStringList({ "x.gif", "y.bmp" }));
        EXPECT_EQ(Tags(h.Window()), QStringList({ "x.gif", "y.bmp" }));
        EXPECT_EQ(h.Window().PanelText(2), "File(s): 2");
        EXPECT_EQ(h.Window().SourcePath(), second.Path() + "/");
        EXPECT_EQ(h.Setting("Last Path"), second.Path());
    }

    TEST(MainWindowFolder, CancelledBrowseChangesNothing)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "x.bmp");
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        h.Window().Toolbar().Button("Browse")->trigger();
        ASSERT_EQ(h.dialogs.folderRequests.size(), 1u);
        EXPECT_EQ(h.dialogs.folderRequests[0].initialFolder, photos.Path());
        EXPECT_EQ(Tags(h.Window()), QStringList({ "x.bmp" }));
        EXPECT_EQ(h.Setting("Last Path"), photos.Path());
    }

    TEST(MainWindowFolder, BrowsedFolderIsLoadedAndRemembered)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "y.jpg");
        h.dialogs.folderAnswers.push_back(photos.Path());
        h.WaitForLoad([&] { h.Window().Toolbar().Button("Browse")->trigger(); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ "y.jpg" }));
        EXPECT_EQ(h.Setting("Last Path"), photos.Path());
    }

    TEST(MainWindowFolder, MissingRememberedFolderOpensNothingSilently)
    {
        MainWindowHarness h;
        h.SetSetting("Last Path", h.dataFolder.File("gone"));
        h.ShowAndActivate();
        EXPECT_TRUE(h.dialogs.messages.empty());
        EXPECT_TRUE(h.dialogs.folderRequests.empty());
        EXPECT_FALSE(h.Window().Grid().isVisible());
        EXPECT_EQ(h.Setting("Last Path"), h.dataFolder.File("gone"));
    }

    TEST(MainWindowFolder, StartFolderWinsOverTheRememberedOne)
    {
        MainWindowHarness h;
        TempFolder remembered;
        WritePicture(remembered, "old.bmp");
        TempFolder given;
        WritePicture(given, "new.bmp");
        h.SetSetting("Last Path", remembered.Path());
        h.Window().SetStartFolder(given.Path());
        h.WaitForLoad([&] { h.ShowAndActivate(); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ "new.bmp" }));
        EXPECT_EQ(h.Setting("Last Path"), given.Path());
    }

    TEST(MainWindowTicks, ClickTicksShowsPathAndEnablesCommands)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "a.bmp");
        WritePicture(photos, "b.bmp");
        h.Window().show();
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        browser::ThumbGrid& grid = h.Window().Grid();
        const QPoint second = grid.CellRect(1).center();
        QTest::mouseClick(&grid, Qt::LeftButton, {}, second);
        EXPECT_EQ(h.Window().Cells()[1].Value, 1);
        EXPECT_EQ(h.Window().PanelText(3), photos.Path() + "/b.bmp");
        EXPECT_TRUE(Enabled(h.Window(), "Delete"));
        EXPECT_TRUE(Enabled(h.Window(), "Rename"));
        EXPECT_TRUE(Enabled(h.Window(), "Slideshow"));
        QTest::mouseClick(&grid, Qt::LeftButton, {}, second);
        EXPECT_EQ(h.Window().Cells()[1].Value, 0);
        EXPECT_EQ(h.Window().PanelText(3), photos.Path() + "/");
        EXPECT_FALSE(Enabled(h.Window(), "Delete"));

        h.Window().Toolbar().Button("SelectAll")->trigger();
        EXPECT_EQ(h.Window().Cells()[0].Value + h.Window().Cells()[1].Value, 2);
        EXPECT_EQ(h.Window().PanelText(3), photos.Path() + "/b.bmp");
        // A new load clears every tick.
        h.WaitForLoad([&] { h.Window().Toolbar().Button("Refresh")->trigger(); });
        EXPECT_EQ(h.Window().Cells()[0].Value + h.Window().Cells()[1].Value, 0);
        EXPECT_FALSE(Enabled(h.Window(), "Delete"));
    }

    TEST(MainWindowLoad, LongNamesAreFittedToTheCell)
    {
        MainWindowHarness h;
        TempFolder photos;
        const QString longName = "a very long holiday picture name from the beach.bmp";
        WritePicture(photos, longName);
        h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
        const ThumbCell& cell = h.Window().Cells()[0];
        EXPECT_EQ(cell.Tag, longName);
        EXPECT_EQ(cell.ToolTipText, longName);
        ASSERT_TRUE(cell.Caption.endsWith("..."));
        const QFontMetrics metrics(h.Window().Grid().font());
        EXPECT_LE(metrics.horizontalAdvance(cell.Caption.chopped(3)),
            89 - 15 - metrics.horizontalAdvance("..."));
        EXPECT_TRUE(longName.startsWith(cell.Caption.chopped(3)));
    }

} // namespace
} // namespace gb::test
