#include "rename_harness.h"
#include "support/disk_checks.h"

#include <sys/stat.h>

namespace gb::test {
namespace {

    TEST(SaveAs, ProposesTheDisplayedFileAndOffersOnlyItsType)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "noext" });
        h.WhileOpen([&] {
            h.Click("cmdSaveAs");
            h.Click("cmdNext");
            h.Click("cmdSaveAs");
        });
        ASSERT_EQ(h.dialogs.saveRequests.size(), 2u);
        EXPECT_EQ(h.dialogs.saveRequests[0].proposedPath, h.photos.File("a.bmp"));
        EXPECT_EQ(h.dialogs.saveRequests[0].pattern, "*.bmp");
        EXPECT_EQ(h.dialogs.saveRequests[1].pattern, "*.");
        EXPECT_EQ(Entries(h.photos.Path()), QStringList({ "a.bmp", "noext" })); // cancelled
    }

    TEST(SaveAs, CopyUpdatesTheEntryInPlaceAndDeleteOriginalMakesItAMove)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        TempFolder out;
        const QByteArray original = h.photos.Read("b.bmp");
        h.dialogs.saveAnswers = { out.File("kept.bmp"), out.File("moved.bmp") };
        h.WhileOpen([&] {
            h.Click("cmdNext");
            h.Click("cmdSaveAs");
            EXPECT_EQ(h.Source(), out.File("kept.bmp"));
            EXPECT_TRUE(QFile::exists(h.photos.File("b.bmp")));
            h.Check("chkDeleteOrig", true);
            h.Click("cmdSaveAs"); // now from the copy just made
            EXPECT_EQ(h.Source(), out.File("moved.bmp"));
        });
        EXPECT_EQ(out.Read("moved.bmp"), original);
        EXPECT_FALSE(QFile::exists(out.File("kept.bmp")));
        EXPECT_EQ(h.Paths(),
            QStringList({ h.photos.File("a.bmp"), out.File("moved.bmp"), h.photos.File("c.bmp") }));
    }

    TEST(SaveAs, SamePathOrATakenNameChangesNothing)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp" });
        const QByteArray original = h.photos.Read("a.bmp");
        h.dialogs.saveAnswers = { h.photos.File("a.bmp"), h.photos.File("b.bmp") };
        h.WhileOpen([&] {
            h.Check("chkDeleteOrig", true);
            h.Click("cmdSaveAs");
            h.Click("cmdSaveAs");
        });
        EXPECT_EQ(h.photos.Read("a.bmp"), original); // never truncated, never deleted
        EXPECT_TRUE(QFile::exists(h.photos.File("b.bmp")));
        EXPECT_EQ(h.Paths(), QStringList({ h.photos.File("a.bmp"), h.photos.File("b.bmp") }));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(
            h.dialogs.messages[0].prompt.contains("already the name of another selected file"));
    }

    TEST(SaveAs, ALinkToTheSameFileIsNotDeletedAsIfItWereACopy)
    {
        RenameHarness h;
        h.Select({ "a.bmp" });
        TempFolder other;
        ASSERT_TRUE(QFile::link(h.photos.Path(), other.File("linked")));
        h.dialogs.saveAnswers = { other.File("linked/a.bmp") };
        h.WhileOpen([&] {
            h.Check("chkDeleteOrig", true);
            h.Click("cmdSaveAs");
        });
        EXPECT_TRUE(QFile::exists(h.photos.File("a.bmp")));
        EXPECT_FALSE(h.photos.Read("a.bmp").isEmpty());
    }

    TEST(BatchValidation, BothMessagesInTurnAndNothingCopied)
    {
        RenameHarness h;
        h.Select({ "a.bmp" });
        TempFolder out;
        h.WhileOpen([&] {
            h.SetUpBatch("   ", "", out.Path());
            h.Click("cmdBatch");
            EXPECT_TRUE(h.Get<QLineEdit>("txtSuffix")->hasFocus());
            h.Get<QLineEdit>("txtFilename")->setText("Trip");
            h.Click("cmdBatch");
        });
        ASSERT_EQ(h.dialogs.messages.size(), 3u);
        EXPECT_EQ(h.dialogs.messages[0].prompt,
            "You must select a Filename prefix before saving selected files!");
        EXPECT_EQ(h.dialogs.messages[1].prompt,
            "You must select a starting value to increment the batch process!");
        EXPECT_EQ(h.dialogs.messages[2].prompt, h.dialogs.messages[1].prompt);
        for (const auto& message : h.dialogs.messages) {
            EXPECT_EQ(message.style, 64);
            EXPECT_EQ(message.title, "Glimmerbox");
        }
        EXPECT_TRUE(Entries(out.Path()).isEmpty());
    }

    TEST(Batch, NumbersSkipTakenNamesAndEntriesFollowTheCopies)
    {
        RenameHarness h;
        h.Select({ "a.jpg", "b.gif", "c.JPG" });
        TempFolder out;
        out.Write("Trip2.gif", "already here");
        h.WhileOpen([&] {
            h.Click("cmdNext"); // the label shows the copy of the displayed entry at the end
            h.SetUpBatch("Trip", "1", out.Path());
            h.Click("cmdBatch");
            EXPECT_EQ(h.Source(), out.File("Trip3.gif"));
        });
        EXPECT_EQ(Entries(out.Path()),
            QStringList({ "Trip1.jpg", "Trip2.gif", "Trip3.gif", "Trip4.JPG" }));
        EXPECT_EQ(out.Read("Trip2.gif"), "already here");
        EXPECT_EQ(out.Read("Trip4.JPG"), h.photos.Read("c.JPG"));
        EXPECT_EQ(h.Paths(),
            QStringList({ out.File("Trip1.jpg"), out.File("Trip3.gif"), out.File("Trip4.JPG") }));
        EXPECT_EQ(Entries(h.photos.Path()).size(), 3); // originals stay
        EXPECT_TRUE(h.dialogs.messages.empty());
    }

    TEST(Batch, OverwriteReplacesAndLeadingZerosOnlyStart)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        TempFolder out;
        out.Write("Trip8.bmp", "old");
        h.WhileOpen([&] {
            h.SetUpBatch("Trip", "007", out.Path());
            h.Check("chkOverwrite", true);
            h.Click("cmdBatch");
            EXPECT_EQ(h.Get<QLineEdit>("txtSuffix")->text(), "007");
        });
        EXPECT_EQ(Entries(out.Path()), QStringList({ "Trip007.bmp", "Trip8.bmp", "Trip9.bmp" }));
        EXPECT_EQ(out.Read("Trip8.bmp"), h.photos.Read("b.bmp"));

        RenameHarness second;
        second.Select({ "x.bmp", "y.bmp", "z.bmp" });
        TempFolder out2;
        second.WhileOpen([&] {
            second.SetUpBatch("Trip", "09", out2.Path());
            second.Click("cmdBatch");
        });
        EXPECT_EQ(Entries(out2.Path()), QStringList({ "Trip09.bmp", "Trip10.bmp", "Trip11.bmp" }));
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
        EXPECT_TRUE(h.dialogs.messages[0].prompt.contains("b.bmp"));
        EXPECT_TRUE(h.dialogs.messages[0].prompt.contains("1 of 3"));
    }

    TEST(Batch, MissingDestinationStopsAtTheFirstFileWithNothingCopied)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp" });
        TempFolder out;
        h.WhileOpen([&] {
            h.SetUpBatch("Trip", "1", out.File("gone"));
            h.Click("cmdBatch");
        });
        EXPECT_TRUE(Entries(out.Path()).isEmpty());
        EXPECT_EQ(h.Paths(), QStringList({ h.photos.File("a.bmp"), h.photos.File("b.bmp") }));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.dialogs.messages[0].prompt.contains("0 of 2"));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }

    TEST(Batch, ANameAnotherSelectedFileGoesByIsSkippedNotClobbered)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "Trip1.bmp" });
        const QByteArray trip1 = h.photos.Read("Trip1.bmp");
        h.WhileOpen([&] {
            h.SetUpBatch("Trip", "1", h.photos.Path());
            h.Check("chkOverwrite", true);
            h.Click("cmdBatch");
        });
        // Even with overwriting on, a.bmp must not replace the selected Trip1.bmp.
        EXPECT_EQ(
            h.Paths(), QStringList({ h.photos.File("Trip2.bmp"), h.photos.File("Trip3.bmp") }));
        EXPECT_EQ(h.photos.Read("Trip1.bmp"), trip1);
        EXPECT_EQ(h.photos.Read("Trip2.bmp"), h.photos.Read("a.bmp"));
        EXPECT_EQ(h.photos.Read("Trip3.bmp"), trip1);
    }

} // namespace
} // namespace gb::test
