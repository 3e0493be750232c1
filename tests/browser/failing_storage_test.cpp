// The main window on storage that fails for a while, as a flaky share or card does: a file
// that cannot be read this time is skipped this time, and shows on the next healthy visit.
#include "main_window_harness.h"

#include "about/frm_about.h"
#include "support/modal_runner.h"
#include "support/slow_share.h"

#include <QLabel>

namespace gb::test {
namespace {

    TEST(FailingStorage, AReadErrorSkipsThePictureForThisVisitOnly)
    {
        if (const QString missing = SlowShare::Missing(); !missing.isEmpty())
            GTEST_SKIP() << "no FUSE share: " << qPrintable(missing);
        const SlowShare share;
        ASSERT_TRUE(share.mounted);
        const QByteArray picture = tools::WriteByName("p.jpg", tools::Gradient({ 1200, 900 }));
        ASSERT_GT(picture.size(), 30000);
        for (const char* name : { "p0.jpg", "p1.jpg", "p2.jpg" })
            share.files.Write(name, picture);
        // p1 fails at once; p2 after its first 20,000 bytes, which must not be decoded as if
        // they were the whole picture.
        share.Faults("read /p1.jpg 0 EIO\nread /p2.jpg 20000 EIO\n");
        MainWindowHarness h;
        h.Window().show();
        h.Open(share.Path());
        EXPECT_EQ(Tags(h.Window()), QStringList({ "p0.jpg" }));
        const auto* notice = h.Window().findChild<QLabel*>("sbrMainNotice");
        EXPECT_EQ(notice->text(), "2 pictures could not be read: Input/output error");
        EXPECT_FALSE(notice->isHidden());

        share.Faults("");
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        ASSERT_EQ(Tags(h.Window()), QStringList({ "p0.jpg", "p1.jpg", "p2.jpg" }));
        EXPECT_TRUE(notice->isHidden());
        const auto& cells = h.Window().Cells();
        // Neither left anything in the cache: both were decoded whole just now.
        EXPECT_EQ(cells[2].Picture.Picture(), cells[1].Picture.Picture());
        const QDir failures(h.dataFolder.Path() + "/cache/thumbnails/fail");
        EXPECT_TRUE(failures.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    }

    // A load still running after a second shows the cells that came, in list order, with frames
    // for the rest; a cell ticked meanwhile stays ticked, and a command acts on it.
    TEST(FailingStorage, ASlowLoadShowsItsCellsAsTheyComeAndKeepsTheirTicks)
    {
        if (const QString missing = SlowShare::Missing(); !missing.isEmpty())
            GTEST_SKIP() << "no FUSE share: " << qPrintable(missing);
        const SlowShare share;
        ASSERT_TRUE(share.mounted);
        const QByteArray picture = tools::WriteByName("p.jpg", tools::Gradient({ 1200, 900 }));
        for (const char* name : { "p0.jpg", "p1.jpg" })
            share.files.Write(name, picture);
        MainWindowHarness h;
        h.Window().show();
        h.Open(share.Path()); // now in the shared cache, they come again with no read
        TestServices::AwaitLanes();
        for (const char* name : { "p2.jpg", "p3.jpg" })
            share.files.Write(name, picture);
        share.Stall();
        h.Trigger("Refresh");
        browser::ThumbGrid& grid = h.Window().Grid();
        // Shown with frames: the new load's grid, where the two cached cells come back.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return grid.isVisible() && grid.Model().FrameCount() > 0; }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return grid.Model().ShownCount() == 2; }, 10000));
        EXPECT_EQ(Tags(h.Window()), QStringList({ "p0.jpg", "p1.jpg" }));
        EXPECT_EQ(grid.Model().FrameCount(), 2);
        h.Click(3); // a frame: nothing to tick
        h.Click(1);
        EXPECT_EQ(h.Values(), QList<int>({ 0, 1 }));
        EXPECT_TRUE(h.Enabled("Delete"));

        h.WaitForLoad([&] { share.Resume(); });
        EXPECT_EQ(h.Values(), QList<int>({ 0, 1, 0, 0 }));
        EXPECT_EQ(h.Count(), "File(s): 4");
        h.dialogs.msgBoxAnswers.push_back(platform::MsgBoxResult::Yes);
        h.WaitForLoad([&] { h.Trigger("Delete"); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ "p0.jpg", "p2.jpg", "p3.jpg" }));
    }

    // While a read is stuck, Browse loads another folder and closing takes the window away at
    // once; the read is left to end on its own, which the program's exit does not wait for.
    TEST(FailingStorage, AStuckReadHoldsUpNeitherBrowseNorClosing)
    {
        if (const QString missing = SlowShare::Missing(); !missing.isEmpty())
            GTEST_SKIP() << "no FUSE share: " << qPrintable(missing);
        const SlowShare share;
        ASSERT_TRUE(share.mounted);
        share.files.Write("p.jpg", tools::WriteByName("p.jpg", tools::Gradient({ 60, 40 })));
        share.Stall();
        MainWindowHarness h;
        h.Window().show();
        h.Window().OpenSourceFolder(share.Path());
        ASSERT_TRUE(QTest::qWaitFor([&] { return share.Counter("stalled_waits") > 0; }));
        // Browse answers meanwhile: another folder loads while the read is still out.
        TempFolder local;
        WritePicture(local, "here.bmp");
        h.dialogs.folderAnswers.push_back(local.Path());
        h.WaitForLoad([&] { h.Trigger("Browse"); });
        EXPECT_EQ(Tags(h.Window()), QStringList({ "here.bmp" }));
        h.Window().close();
        EXPECT_FALSE(h.Window().isVisible());
        EXPECT_FALSE(app::WaitForLanes(std::chrono::milliseconds(0)));
        share.Resume();
        EXPECT_TRUE(app::WaitForLanes(std::chrono::seconds(30)));
        QCoreApplication::processEvents();
        EXPECT_EQ(Tags(h.Window()), QStringList({ "here.bmp" })); // the late tile is dropped
    }

    // A share that stopped answering altogether, remembered as the last folder: the window says
    // which folder it waits for, About opens, the pickers open at home, and Exit closes it.
    TEST(FailingStorage, ADeadShareHoldsUpNeitherTheWindowNorItsPickers)
    {
        if (const QString missing = SlowShare::Missing(); !missing.isEmpty())
            GTEST_SKIP() << "no FUSE share: " << qPrintable(missing);
        MainWindowHarness h; // goes after the share, which lets go of what is stuck on it
        const SlowShare share;
        ASSERT_TRUE(share.mounted);
        ASSERT_TRUE(QDir(share.files.Path()).mkdir("photos")); // not yet looked up on the share
        share.Stall(true);
        h.SetSetting("Last Path", share.File("photos"));
        h.Window().show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return share.Counter("stalled_waits") > 0; }));
        EXPECT_EQ(h.Window().PanelText(3), "Opening " + share.File("photos") + "…");
        EXPECT_TRUE(RunModal([&] { return h.Window().AboutWindow(); },
            [](QDialog& about) { about.close(); }, [&] { h.Trigger("About"); }));
        h.Trigger("Browse");
        h.module1.SaveAs(&h.Window(), share.File("photos/a.jpg"), "*.jpg", [](const QString&) {});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !h.module1.PickerPending(); }));
        ASSERT_EQ(h.dialogs.folderRequests.size(), 1u);
        EXPECT_EQ(h.dialogs.folderRequests[0].initialFolder, QDir::homePath());
        ASSERT_EQ(h.dialogs.saveRequests.size(), 1u);
        EXPECT_EQ(h.dialogs.saveRequests[0].proposedPath, QDir::home().filePath("a.jpg"));
        h.Trigger("Exit");
        EXPECT_FALSE(h.Window().isVisible());
    }

} // namespace
} // namespace gb::test
