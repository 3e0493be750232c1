// Starting the main window and loading folders into it: what is listed, in which order, what
// the status bar and the toolbar say, and loads that are interrupted by another.
#include "main_window_harness.h"

#include "browser/progress_display.h"

#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <sys/stat.h>

namespace gb::test {
namespace {

    using browser::ThumbCell;

    TEST(MainWindowStart, WithoutSettingsAsksForAFolderAndSavesPlacementOnClose)
    {
        MainWindowHarness h;
        h.Window().move(10, 20); // made and placed, not yet activated: nothing is asked
        QCoreApplication::processEvents();
        EXPECT_TRUE(h.dialogs.folderRequests.empty());
        h.ShowAndActivate();
        ASSERT_EQ(h.dialogs.folderRequests.size(), 1u);
        EXPECT_EQ(h.dialogs.folderRequests[0].title, "Select a Folder with Images...");
        EXPECT_FALSE(h.Window().Grid().isVisible() || QFile::exists(h.module1.IniPath()));
        for (const char* key : { "Delete", "Rename", "Slideshow", "SelectAll" })
            EXPECT_FALSE(h.Enabled(key)) << key; // nothing loaded, nothing to act on
        h.Window().move(10, 20);
        h.Window().resize(700, 400);
        const QRect outer = h.Window().frameGeometry();
        h.Window().close();
        EXPECT_EQ(h.Setting("Window Position"),
            QString("150, 300, %1, %2").arg(outer.width() * 15).arg(outer.height() * 15));
        EXPECT_EQ(h.Setting("Maximized") + h.Setting("Last Path"), "False<missing>");
    }

    TEST(MainWindowStart, StartFolderWinsOverTheRememberedOneAndLoadsInNameOrderIgnoringCase)
    {
        MainWindowHarness h;
        TempFolder photos, remembered;
        for (const char* name :
            { "B.jpg", "a.gif", "c.BMP", ".hidden.jpg", "d.JPEG", "e.jpe", "f.jpegx" })
            WritePicture(photos, name);
        photos.Write("notes.txt", "not a picture");
        WritePicture(remembered, "old.bmp");
        h.SetSetting("Last Path", remembered.Path());
        h.Window().SetStartFolder(photos.Path());
        h.WaitForLoad([&] { h.ShowAndActivate(); });
        browser::frmThumbs& w = h.Window();
        EXPECT_TRUE(h.dialogs.folderRequests.empty());
        EXPECT_EQ(Tags(w), QStringList({ "a.gif", "B.jpg", "c.BMP", "d.JPEG", "e.jpe" }));
        EXPECT_EQ(h.Count(), "File(s): 5");
        EXPECT_TRUE(w.PanelText(3) == photos.Path() + "/" && w.SourcePath() == w.PanelText(3));
        for (const ThumbCell& cell : w.Cells())
            EXPECT_TRUE(cell.ToolTipText == cell.Tag && cell.Caption == cell.Tag && !cell.Value);
        EXPECT_TRUE(w.Grid().isVisible() && h.Enabled("SelectAll") && h.Enabled("Browse"));
        EXPECT_EQ(h.Setting("Last Path"), photos.Path());
    }

    // A folder or picture named on the command line that cannot be shown is explained before the
    // picker.
    TEST(MainWindowStart, AStartFolderThatCannotBeOpenedIsExplainedFirst)
    {
        TempFolder photos;
        ASSERT_EQ(::mkfifo(QFile::encodeName(photos.File("pipe")).constData(), 0600), 0);
        const std::tuple<QString, QString, QString> cases[]
            = { { photos.File("gone"), "folder", "does not exist" },
                  { photos.File("pipe"), "folder", "is not a folder" },
                  { photos.File("gone.JPG"), "file", "does not exist" } };
        for (const auto& [named, what, why] : cases) {
            MainWindowHarness h;
            h.Window().SetStartFolder(named);
            h.ShowAndActivate();
            ASSERT_EQ(h.dialogs.messages.size(), 1u);
            EXPECT_EQ(h.dialogs.messages[0].prompt,
                "The " + what + " \"" + named + "\" cannot be opened: it " + why + ".");
            EXPECT_EQ(h.dialogs.folderRequests.size(), 1u);
        }
    }

    // As a person may choose, cells follow when their pictures were taken (here files without
    // Exif dates, so when they last changed, to the second as an Exif date, equal times by name;
    // an icon's time is read apart from the others'), or either order backwards; every command
    // follows the cells.
    TEST(MainWindowLoad, SortOrderSetsTheCellsOrderAndTheSelectionFollowsIt)
    {
        TempFolder photos;
        constexpr qint64 kMinute = 60000;
        const std::pair<const char*, qint64> files[]
            = { { "a.jpg", 300 * kMinute }, { "B.jpg", 100 * kMinute }, { "c.jpg", 200 * kMinute },
                  { "d.jpg", 100 * kMinute }, { "A.ico", 100 * kMinute + 500 } };
        for (const auto& [name, ms] : files) {
            WritePicture(photos, name);
            QFile file(photos.File(name));
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 5, 1), QTime(0, 0)).addMSecs(ms),
                QFileDevice::FileModificationTime));
        }
        const std::tuple<const char*, const char*, QStringList> rows[] = {
            { nullptr, nullptr, { "A.ico", "a.jpg", "B.jpg", "c.jpg", "d.jpg" } },
            { "Name", "True", { "d.jpg", "c.jpg", "B.jpg", "a.jpg", "A.ico" } },
            { "Date Taken", "False", { "A.ico", "B.jpg", "d.jpg", "c.jpg", "a.jpg" } },
            { "Date Taken", "True", { "a.jpg", "c.jpg", "d.jpg", "B.jpg", "A.ico" } },
        };
        for (const auto& [order, reverse, tags] : rows) {
            MainWindowHarness h;
            if (order) {
                h.SetSetting("Sort Order", order);
                h.SetSetting("Sort Reverse", reverse);
            }
            h.Window().show();
            h.Open(photos.Path());
            EXPECT_EQ(Tags(h.Window()), tags) << (order ? order : "unset");
            h.Trigger("SelectAll");
            const core::FilesPtr selected = h.Window().GetSelectedFiles();
            for (int i = 0; i < tags.size(); ++i)
                EXPECT_EQ(selected->Key(i), tags[i]) << (order ? order : "unset");
        }
    }

    // As a person may choose, the cells follow what other programs do in the folder: pictures
    // copied in, removed and renamed, each in its place, other ticks kept; a burst of copies
    // comes as one update. Without the option nothing changes until Refresh.
    TEST(MainWindowLoad, AWatchedFolderFollowsCopiesRemovalsRenamesAndBursts)
    {
        for (const bool watched : { false, true }) {
            MainWindowHarness h;
            TempFolder photos;
            WritePicture(photos, "b.jpg");
            WritePicture(photos, "d.jpg");
            h.SetSetting("Watch Folder", watched ? "True" : "False");
            h.Window().show();
            h.Open(photos.Path());
            h.Click(1); // d.jpg
            QSignalSpy updates(&h.Window(), &browser::frmThumbs::CellsFollowedFolder);
            WritePicture(photos, "c.jpg");
            if (!watched) {
                EXPECT_FALSE(updates.wait(1500));
                EXPECT_EQ(Tags(h.Window()), QStringList({ "b.jpg", "d.jpg" }));
                continue;
            }
            ASSERT_TRUE(updates.wait(10000));
            EXPECT_EQ(Tags(h.Window()), QStringList({ "b.jpg", "c.jpg", "d.jpg" }));
            EXPECT_EQ(h.Window().Cells()[2].Value, 1);
            EXPECT_EQ(h.Count(), "File(s): 3");
            ASSERT_TRUE(QFile::remove(photos.File("b.jpg")));
            ASSERT_TRUE(updates.wait(10000));
            ASSERT_TRUE(QFile::rename(photos.File("c.jpg"), photos.File("a.jpg")));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return Tags(h.Window()) == QStringList({ "a.jpg", "d.jpg" });
                },
                10000));
            EXPECT_EQ(h.Window().Cells()[1].Value, 1);
            updates.clear();
            const QByteArray bytes = photos.Read("a.jpg");
            for (int i = 0; i < 500; ++i)
                photos.Write(QString("burst%1.jpg").arg(i, 3, 10, QChar('0')), bytes);
            ASSERT_TRUE(QTest::qWaitFor([&] { return h.Window().Cells().size() == 502; }, 20000));
            EXPECT_LE(updates.count(), 2); // one, or two when the copies outlast a second
            EXPECT_EQ(h.Window().Cells()[501].Tag, "d.jpg");
        }
    }

    // A file manager hands over every picture chosen: those of the first one's folder are
    // ticked with the keyboard on the first, and the person is told where the others are.
    TEST(MainWindowStart, SeveralPicturesOpenTheirFolderTickedAndNameTheOthersFolders)
    {
        MainWindowHarness h;
        TempFolder photos, other;
        for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg" })
            WritePicture(photos, name);
        WritePicture(other, "e.jpg");
        h.Window().SetStartFolder(photos.File("c.jpg"));
        h.Window().SetAlsoOpened(
            { photos.File("a.jpg"), other.File("e.jpg"), photos.File("d.jpg") });
        h.WaitForLoad([&] { h.ShowAndActivate(); });
        const std::vector<ThumbCell>& cells = h.Window().Cells();
        ASSERT_EQ(cells.size(), 4u);
        const int ticked[] = { 1, 0, 1, 1 };
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(cells[size_t(i)].Value, ticked[i]) << cells[size_t(i)].Tag.toStdString();
        EXPECT_EQ(h.Window().Grid().FocusIndex(), 2);
        EXPECT_TRUE(h.Enabled("Slideshow"));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.dialogs.messages[0].prompt.endsWith(":\n" + other.Path()));
    }

    TEST(MainWindowLoad, DamagedFileGetsNoCellAndTheProgressCountsEveryListedFile)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "1.bmp");
        photos.Write("2.jpg", QByteArray("\xFF\xD8\xFF\xE0 truncated", 14));
        WritePicture(photos, "3.gif");
        QList<int> percents;
        h.Window().show();
        h.Open(photos.Path());
        h.Click(0);
        // During a load (here a second one) the grid stays hidden for its first second, with
        // nothing to act on, and the progress display follows a resize.
        const auto* reveal = h.Window().findChild<QTimer*>("tmrReveal");
        QObject::connect(&h.Window(), &browser::frmThumbs::ProgressStepped, [&](int percent) {
            percents << percent;
            if (reveal->isActive()) {
                EXPECT_FALSE(h.Window().Grid().isVisible());
            }
            EXPECT_FALSE(h.Enabled("SelectAll") || h.Enabled("Delete"));
            h.Window().resize(700 + percent, 400);
            const QLabel* panel = h.Window().findChild<QLabel*>("sbrMainPanel3");
            EXPECT_EQ(h.Window().Progress().geometry().right(),
                panel->mapTo(&h.Window(), panel->rect().topRight()).x());
        });
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        EXPECT_EQ(percents, QList<int>({ 33, 67, 100 }));
        EXPECT_EQ(h.Count(), "File(s): 2");
        EXPECT_EQ(Tags(h.Window()), QStringList({ "1.bmp", "3.gif" }));
    }

    // After a folder that loaded, one with nothing to show: no cell of the old one stays
    // tickable.
    TEST(MainWindowLoad, FolderWithNothingToShowLeavesNothingToTick)
    {
        for (const bool broken : { false, true }) {
            SCOPED_TRACE(broken ? "only broken pictures" : "no pictures");
            LoadedWindow h({ "old.bmp" });
            TempFolder photos;
            photos.Write(broken ? "a.jpg" : "readme.txt", "junk");
            h.Open(photos.Path());
            EXPECT_TRUE(Tags(h.Window()).isEmpty() && !h.Enabled("SelectAll"));
            EXPECT_EQ(h.Count(), "File(s): 0");
            QTest::mouseClick(&h.Window().Grid(), Qt::LeftButton, {}, QPoint(40, 40));
            EXPECT_TRUE(h.Window().Cells()[0].Value == 0 && !h.Enabled("Delete"));
            EXPECT_EQ(h.Setting("Last Path"), photos.Path()); // remembered all the same
            EXPECT_EQ(h.Window().Grid().isVisible(), broken);
            ASSERT_EQ(h.dialogs.messages.size(), broken ? 0u : 1u);
            if (broken)
                continue;
            const auto& said = h.dialogs.messages[0];
            EXPECT_EQ(said.title + QString::number(said.style) + said.prompt,
                "Glimmerbox64There are no image files to display in the current directory.  "
                "Please select BROWSE to select a new source folder.");
        }
    }

    // PNG, WebP, TIFF and AVIF show once the person asks for every picture type on the grid's
    // empty area; the choice is kept in the settings for the next start.
    TEST(MainWindowLoad, EveryPictureTypeIsSwitchedOnFromTheEmptyAreaAndKept)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "a.bmp");
        for (const char* name : { "b.png", "c.webp", "d.tiff" })
            ASSERT_TRUE(tools::Gradient({ 40, 30 }).save(photos.File(name))) << name;
        const QString avif = GLIMMERBOX_SOURCE_DIR "/tests/data/heif/avif32.avif";
        ASSERT_TRUE(QFile::copy(avif, photos.File("e.avif")));
        h.Window().show();
        h.Open(photos.Path());
        EXPECT_EQ(Tags(h.Window()), QStringList({ "a.bmp" }));
        browser::ThumbGrid& grid = h.Window().Grid();
        QTest::mouseClick(&grid, Qt::RightButton, {}, grid.rect().bottomRight() - QPoint(4, 4));
        QMenu& menu = h.Window().TypesMenu();
        ASSERT_TRUE(menu.isVisible());
        EXPECT_FALSE(h.Window().ContextMenu().isVisible());
        QAction* every = menu.findChild<QAction*>("mnuEveryType");
        EXPECT_TRUE(every->text().contains("every picture type"));
        EXPECT_FALSE(every->isChecked());
        menu.hide();
        h.WaitForLoad([&] { every->trigger(); });
        const QStringList all { "a.bmp", "b.png", "c.webp", "d.tiff", "e.avif" };
        EXPECT_EQ(Tags(h.Window()), all);
        EXPECT_EQ(h.Setting("Every Picture Type"), "True");
        MainWindowHarness restarted(h.dataFolder.Path());
        restarted.Window().show();
        restarted.Open(photos.Path());
        EXPECT_EQ(Tags(restarted.Window()), all);
    }

    // At the second step of a load of `first`, `interrupt` runs; returns the files stepped
    // through and how many loads finished.
    template <typename Interrupt>
    std::pair<QStringList, int> InterruptedLoad(
        MainWindowHarness& h, const QString& first, Interrupt interrupt)
    {
        QStringList steps;
        QObject::connect(
            &h.Window(), &browser::frmThumbs::ProgressStepped, [&](int, const QString& name) {
                steps << name;
                if (steps.size() == 2)
                    interrupt();
            });
        QSignalSpy finished(&h.Window(), &browser::frmThumbs::LoadFinished);
        h.Window().OpenSourceFolder(first);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !h.Window().IsLoading(); }, 10000));
        return { steps, int(finished.size()) };
    }

    TEST(MainWindowLoad, ClosingDuringALoadStopsItForGood)
    {
        MainWindowHarness h;
        TempFolder photos;
        for (int i = 0; i < 4; ++i)
            WritePicture(photos, QString("p%1.bmp").arg(i));
        EXPECT_EQ(InterruptedLoad(h, photos.Path(),
                      [&] {
                          h.Trigger("Exit");
                          h.Trigger("Refresh");
                      }),
            std::pair(QStringList({ "p0.bmp", "p1.bmp" }), 0));
        EXPECT_FALSE(h.Window().IsLoading());
        EXPECT_FALSE(h.Window().OpenSourceFolder(photos.Path()));
    }

    TEST(MainWindowLoad, RefreshOrAnotherFolderDuringALoadStartsOverAndOnlyHelpRunsAlongside)
    {
        TempFolder first;
        for (int i = 0; i < 6; ++i)
            WritePicture(first, QString("p%1.jpg").arg(i), QSize(300, 200));
        MainWindowHarness h;
        // Delete has nothing ticked to act on yet; Help runs alongside.
        const auto steps = InterruptedLoad(h, first.Path(), [&] {
            for (const char* key : { "Delete", "Help", "Refresh" })
                h.Trigger(key);
        });
        EXPECT_EQ(steps.first,
            QStringList({ "p0.jpg", "p1.jpg", "p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg",
                "p5.jpg" }));
        EXPECT_EQ(steps.second, 1);
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_EQ(h.dialogs.messages[0].style, 1) << "the Help prompt";
        // Another folder opened meanwhile wins, and is the one remembered.
        TempFolder second;
        WritePicture(second, "x.gif");
        MainWindowHarness other;
        EXPECT_EQ(InterruptedLoad(
                      other, first.Path(), [&] { other.Window().OpenSourceFolder(second.Path()); }),
            std::pair(QStringList({ "p0.jpg", "p1.jpg", "x.gif" }), 1));
        EXPECT_EQ(Tags(other.Window()), QStringList({ "x.gif" }));
        EXPECT_EQ(other.Setting("Last Path"), second.Path());
    }

    TEST(MainWindowFolder, BrowseLoadsAndRemembersTheFolderAndCancelChangesNothing)
    {
        LoadedWindow h({ "x.bmp" });
        TempFolder photos;
        WritePicture(photos, "y.jpg");
        h.Trigger("Browse");
        EXPECT_EQ(Tags(h.Window()), QStringList({ "x.bmp" }));
        h.dialogs.folderAnswers.push_back(photos.Path());
        h.WaitForLoad([&] { h.Trigger("Browse"); });
        ASSERT_EQ(h.dialogs.folderRequests.size(), 2u);
        for (const auto& request : h.dialogs.folderRequests)
            EXPECT_EQ(request.initialFolder, h.photos.Path());
        EXPECT_EQ(Tags(h.Window()), QStringList({ "y.jpg" }));
    }

} // namespace
} // namespace gb::test
