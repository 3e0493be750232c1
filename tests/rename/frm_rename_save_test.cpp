#include "rename_harness.h"
#include "support/disk_checks.h"
#include "support/fault_injecting_files.h"

#include <QTimer>
#include <sys/stat.h>

namespace gb::test {
namespace {

    TEST(SaveAs, CopiesOrMovesTheDisplayedFileAndItsEntryButNeverOntoASelectedName)
    {
        FaultInjectingFiles files;
        files.fault = Fault::WriteDenied;
        files.failAt = 4; // the fourth copy: onto a file the user agreed to replace
        RenameHarness h(&files);
        h.Select({ "a.bmp", "b.bmp", "noext" });
        TempFolder out;
        out.Write("other.bmp", "the other file");
        const QByteArray original = h.photos.Read("b.bmp");
        h.dialogs.saveAnswers
            = { "", out.File(".."), h.photos.File("b.bmp"), h.photos.File("a.bmp"),
                  out.File("kept.bmp"), out.File("moved.bmp"), out.File("other.bmp") };
        h.WhileOpen([&] {
            h.Click("cmdSaveAs"); // cancelled
            h.Click("cmdSaveAs"); // a folder, not a file
            h.Click("cmdNext");
            h.Check("chkDeleteOrig", true);
            h.Click("cmdSaveAs"); // onto itself: never truncated, never deleted
            h.Click("cmdSaveAs"); // onto another selected file
            h.Check("chkDeleteOrig", false);
            h.Click("cmdSaveAs");
            EXPECT_EQ(h.Source(), out.File("kept.bmp"));
            EXPECT_EQ(h.photos.Read("b.bmp"), original);
            h.Check("chkDeleteOrig", true);
            h.Click("cmdSaveAs"); // now from the copy just made
            EXPECT_EQ(h.Source(), out.File("moved.bmp"));
            h.Click("cmdSaveAs"); // refused: the copy, its entry and the other file stay
            EXPECT_EQ(h.Source(), out.File("moved.bmp"));
            h.Click("cmdNext");
            h.Click("cmdSaveAs"); // cancelled
        });
        EXPECT_TRUE(files.Fired());
        ASSERT_EQ(h.dialogs.saveRequests.size(), 8u);
        EXPECT_EQ(h.dialogs.saveRequests[0].proposedPath, h.photos.File("a.bmp"));
        EXPECT_EQ(h.dialogs.saveRequests[0].pattern, "*.bmp");
        EXPECT_EQ(h.dialogs.saveRequests[2].proposedPath, h.photos.File("b.bmp"));
        EXPECT_EQ(h.dialogs.saveRequests[7].pattern, "*.");
        EXPECT_EQ(Entries(h.photos.Path()), QStringList({ "a.bmp", "b.bmp", "noext" }));
        EXPECT_EQ(Entries(out.Path()), QStringList({ "moved.bmp", "other.bmp" }));
        EXPECT_EQ(out.Read("moved.bmp"), original);
        EXPECT_EQ(out.Read("other.bmp"), "the other file");
        EXPECT_EQ(h.Paths(),
            QStringList({ h.photos.File("a.bmp"), out.File("moved.bmp"), h.photos.File("noext") }));
        ASSERT_EQ(h.dialogs.messages.size(), 3u);
        EXPECT_EQ(h.dialogs.messages[0].prompt,
            "\"" + out.File("..") + "\" does not name a file, so nothing was saved.");
        EXPECT_TRUE(
            h.dialogs.messages[1].prompt.contains("already the name of another selected file"));
        EXPECT_TRUE(h.dialogs.messages[2].prompt.contains(out.File("other.bmp"))
            && h.dialogs.messages[2].prompt.contains("Permission denied"));
    }

    TEST(Batch, EachMissingOrUnsafeFieldIsToldAndAMissingDestinationStopsAtTheFirstFile)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp" });
        TempFolder out;
        h.WhileOpen([&] {
            h.SetUpBatch("   ", "", out.File("gone"));
            h.Click("cmdBatch");
            EXPECT_TRUE(h.Get<QLineEdit>("txtSuffix")->hasFocus());
            h.Get<QLineEdit>("txtSuffix")->setText("1");
            h.Click("cmdBatch"); // the blank name alone still stops it
            h.Get<QLineEdit>("txtFilename")->setText("../esc"); // would land beside "gone"
            h.Click("cmdBatch");
            EXPECT_TRUE(h.Get<QLineEdit>("txtFilename")->hasFocus());
            h.Get<QLineEdit>("txtFilename")->setText("Trip");
            h.Click("cmdBatch");
        });
        ASSERT_EQ(h.dialogs.messages.size(), 5u);
        EXPECT_EQ(h.dialogs.messages[0].prompt,
            "You must select a Filename prefix before saving selected files!");
        EXPECT_EQ(h.dialogs.messages[2].prompt, h.dialogs.messages[0].prompt);
        EXPECT_EQ(h.dialogs.messages[1].prompt,
            "You must select a starting value to increment the batch process!");
        EXPECT_TRUE(h.dialogs.messages[3].prompt.startsWith("The Filename prefix \"../esc\""));
        EXPECT_TRUE(h.dialogs.messages[4].prompt.contains("0 of 2"));
        for (const auto& message : h.dialogs.messages)
            EXPECT_EQ(
                std::pair(message.style, message.title), std::pair(64, QString("Glimmerbox")));
        EXPECT_TRUE(Entries(out.Path()).isEmpty());
        EXPECT_EQ(h.Paths(), QStringList({ h.photos.File("a.bmp"), h.photos.File("b.bmp") }));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }

    // A copy batch; every entry follows its copy, a taken name is skipped unless overwriting is
    // on, and a name another selected file goes by is never taken, whatever the setting.
    TEST(Batch, NumbersSkipTakenNamesAndEntriesFollowTheCopies)
    {
        const struct {
            QStringList selection, taken;
            const char* start;
            bool overwrite, intoPhotos;
            QStringList entries, copies; // the destination afterwards, the copies in order
        } cases[] = {
            { { "a.jpg", "b.gif", "c.JPG" }, { "Trip2.gif" }, "1", false, false,
                { "Trip1.jpg", "Trip2.gif", "Trip3.gif", "Trip4.JPG" },
                { "Trip1.jpg", "Trip3.gif", "Trip4.JPG" } },
            { { "a.bmp", "b.bmp", "c.bmp" }, { "Trip8.bmp" }, "007", true, false,
                { "Trip007.bmp", "Trip8.bmp", "Trip9.bmp" },
                { "Trip007.bmp", "Trip8.bmp", "Trip9.bmp" } },
            { { "a.bmp", "Trip1.bmp" }, {}, "1", true, true,
                { "Trip1.bmp", "Trip2.bmp", "Trip3.bmp", "a.bmp" }, { "Trip2.bmp", "Trip3.bmp" } },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.entries.join(' ').toStdString());
            RenameHarness h;
            h.Select(c.selection);
            QList<QByteArray> originals;
            for (const QString& name : c.selection)
                originals << h.photos.Read(name);
            TempFolder out;
            const QString destination = c.intoPhotos ? h.photos.Path() : out.Path();
            for (const QString& name : c.taken)
                out.Write(name, "already here");
            h.WhileOpen([&] {
                h.Click("cmdNext"); // the label shows the copy of the displayed entry at the end
                h.SetUpBatch("Trip", c.start, destination);
                h.Check("chkOverwrite", c.overwrite);
                h.Click("cmdBatch");
                EXPECT_EQ(h.Source(), destination + "/" + c.copies[1]);
                EXPECT_EQ(h.Get<QLineEdit>("txtSuffix")->text(), c.start);
            });
            EXPECT_EQ(Entries(destination), c.entries);
            QStringList paths;
            for (int i = 0; i < c.copies.size(); ++i) {
                paths << destination + "/" + c.copies[i];
                EXPECT_EQ(ReadAll(paths.back()), originals[i]) << c.copies[i].toStdString();
            }
            EXPECT_EQ(h.Paths(), paths);
            for (const QString& name : c.taken)
                EXPECT_EQ(out.Read(name) == "already here", !c.copies.contains(name));
            for (int i = 0; i < c.selection.size(); ++i) // the originals stay
                EXPECT_EQ(h.photos.Read(c.selection[i]), originals[i]);
            EXPECT_TRUE(h.dialogs.messages.empty());
        }
    }

    // While storage holds up a copy the window answers: closing it (here with Escape) cancels
    // the batch at once, which stops when the copy in hand ends; closing again closes the window
    // at once and lets go of the batch. The copy in hand is finished whole either way.
    const QString kCancelled
        = "The batch stopped at \"b.bmp\": the batch was cancelled. 1 of 2 files were done.";
    TEST(Batch, AStalledCopyLeavesTheWindowAnsweringAndTheCopyInHandWhole)
    {
        for (const int escapes : { 1, 2 }) {
            SCOPED_TRACE(escapes);
            FaultInjectingFiles files;
            files.fault = Fault::Stall;
            RenameHarness h(&files);
            h.Select({ "a.bmp", "b.bmp" });
            const QByteArrayList originals { h.photos.Read("a.bmp"), h.photos.Read("b.bmp") };
            TempFolder out;
            QSignalSpy finished(&h.window, &rename::frmRename::RunFinished);
            h.WhileOpen([&] {
                h.SetUpBatch("Trip", "1", out.Path());
                h.Get<QPushButton>("cmdBatch")->click(); // returns with the read held up
                ASSERT_TRUE(files.stall->WaitUntilHeld());
                QTimer tick;
                QSignalSpy ticks(&tick, &QTimer::timeout);
                tick.start(0);
                EXPECT_TRUE(ticks.wait()); // the window's thread runs events
                for (int i = 0; i < escapes; ++i)
                    QTest::keyClick(&h.window, Qt::Key_Escape);
                EXPECT_EQ(h.window.isVisible(), escapes == 1);
                EXPECT_EQ(h.Get<QPushButton>("cmdDone")->text(), escapes == 1 ? "&Close" : "&Done");
                EXPECT_EQ(h.Get<QWidget>("fraBatch")->isEnabled(), escapes == 2);
                files.stall->Release();
                ASSERT_TRUE(finished.wait());
            });
            EXPECT_EQ(Entries(out.Path()), QStringList({ "Trip1.bmp" }));
            EXPECT_EQ(out.Read("Trip1.bmp"), originals[0]);
            EXPECT_EQ(h.photos.Read("a.bmp"), originals[0]);
            EXPECT_EQ(h.photos.Read("b.bmp"), originals[1]);
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
            // Let go of, the batch shows nothing more: its entries stay where they were.
            const QString first = escapes == 1 ? out.File("Trip1.bmp") : h.photos.File("a.bmp");
            EXPECT_EQ(h.Paths(), QStringList({ first, h.photos.File("b.bmp") }));
            QStringList told;
            for (const auto& message : h.dialogs.messages)
                told << message.prompt;
            EXPECT_EQ(told, QStringList(escapes == 2 ? 0 : 1, kCancelled));
        }
    }

    TEST(Batch, DeleteOriginalsMovesAndAReadOnlyOriginalStopsAfterItsCopy)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        ::chmod(QFile::encodeName(h.photos.File("b.bmp")).constData(), 0444);
        TempFolder out;
        h.WhileOpen([&] {
            h.SetUpBatch("Move", "1", out.Path());
            h.Check("chkDeleteOrig", true);
            h.Click("cmdBatch");
        });
        EXPECT_EQ(Entries(out.Path()), QStringList({ "Move1.bmp", "Move2.bmp" }));
        EXPECT_EQ(Entries(h.photos.Path()), QStringList({ "b.bmp", "c.bmp" }));
        EXPECT_EQ(h.Paths(),
            QStringList({ out.File("Move1.bmp"), h.photos.File("b.bmp"), h.photos.File("c.bmp") }));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.dialogs.messages[0].prompt.contains("b.bmp")
            && h.dialogs.messages[0].prompt.contains("1 of 3"));
    }

} // namespace
} // namespace gb::test
