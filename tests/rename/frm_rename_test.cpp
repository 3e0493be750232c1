#include "rename_harness.h"

#include <QFile>
#include <QGroupBox>

namespace gb::test {
namespace {

    TEST(RenameWindow, OpensInSaveModeOnTheFirstFileWithTheRememberedDestination)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            EXPECT_EQ(h.window.windowTitle(), "Glimmerbox");
            EXPECT_EQ(h.Source(), h.photos.File("a.bmp"));
            EXPECT_EQ(h.Destination(), QDir::homePath() + "/");
            EXPECT_TRUE(h.Get<QPushButton>("cmdDone")->hasFocus());
            EXPECT_TRUE(h.Get<QRadioButton>("optSave0")->isChecked());
            EXPECT_TRUE(h.Get<QLabel>("Image1")->isVisible());
            EXPECT_FALSE(h.Get<QLabel>("Image1")->pixmap().isNull());
            EXPECT_FALSE(h.Get<QGroupBox>("fraBatch")->isVisible());
            EXPECT_TRUE(h.Get<QPushButton>("cmdSaveAs")->isEnabled());
            EXPECT_FALSE(h.Get<QLabel>("Picture1")->pixmap().isNull());
            EXPECT_EQ(h.Get<QLineEdit>("txtSuffix")->text(), "1");
            EXPECT_EQ(h.Get<QPushButton>("cmdBack")->toolTip(), "Previous Image");

            h.Get<QRadioButton>("optSave1")->click();
            EXPECT_FALSE(h.Get<QLabel>("Image1")->isVisible());
            EXPECT_TRUE(h.Get<QGroupBox>("fraBatch")->isVisible());
            EXPECT_FALSE(h.Get<QPushButton>("cmdSaveAs")->isEnabled());
            EXPECT_TRUE(h.Get<QLineEdit>("txtFilename")->hasFocus());
            h.Get<QLineEdit>("txtFilename")->setText("leftover");
        });
        // The next showing starts from scratch.
        h.WhileOpen([&] {
            EXPECT_TRUE(h.Get<QRadioButton>("optSave0")->isChecked());
            EXPECT_TRUE(h.Get<QLineEdit>("txtFilename")->text().isEmpty());
        });
    }

    TEST(RenameWindow, BackAndNextFollowTheirEnablingRules)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        h.WhileOpen([&] {
            QPushButton* back = h.Get<QPushButton>("cmdBack");
            QPushButton* next = h.Get<QPushButton>("cmdNext");
            EXPECT_TRUE(back->isVisible());
            EXPECT_TRUE(back->isEnabled()); // both start enabled
            back->click();
            EXPECT_FALSE(back->isEnabled());
            EXPECT_EQ(h.Source(), h.photos.File("a.bmp"));
            next->click();
            EXPECT_EQ(h.Source(), h.photos.File("b.bmp"));
            next->click();
            EXPECT_EQ(h.Source(), h.photos.File("c.bmp"));
            EXPECT_FALSE(next->isEnabled());
            EXPECT_EQ(h.window.CurrentIndex(), 2);
            back->click();
            EXPECT_TRUE(next->isEnabled());
            EXPECT_EQ(h.Source(), h.photos.File("b.bmp"));
        });
    }

    TEST(RenameWindow, OneFileHidesTheStepButtonsAndAGonePictureLeavesAnEmptyPreview)
    {
        RenameHarness h;
        h.Select({ "only.bmp" });
        QFile::remove(h.photos.File("only.bmp"));
        h.WhileOpen([&] {
            EXPECT_FALSE(h.Get<QPushButton>("cmdBack")->isVisible());
            EXPECT_FALSE(h.Get<QPushButton>("cmdNext")->isVisible());
            EXPECT_TRUE(h.Get<QLabel>("Picture1")->pixmap().isNull());
            EXPECT_EQ(h.Source(), h.photos.File("only.bmp"));
        });
    }

    // The box also has a digits-only validator; the key filter must still pass keys that type
    // nothing (arrows) and drop every character but the ten digits and backspace.
    TEST(RenameWindow, BeginIncrementTakesOnlyDigitsBackspaceAndEditingKeys)
    {
        RenameHarness h;
        h.Select({ "a.bmp" });
        h.WhileOpen([&] {
            h.Get<QRadioButton>("optSave1")->click();
            QLineEdit* suffix = h.Get<QLineEdit>("txtSuffix");
            suffix->clear();
            QTest::keyClicks(suffix, "1a-.29");
            QTest::keyClick(suffix, Qt::Key_Left);
            QTest::keyClicks(suffix, "0");
            EXPECT_EQ(suffix->text(), "1209");
            QTest::keyClick(suffix, Qt::Key_Backspace);
            EXPECT_EQ(suffix->text(), "129");
            QTest::keyClicks(suffix, "345");
            EXPECT_EQ(suffix->text(), "12349");
        });
    }

    TEST(RenameWindow, PickedDestinationIsRememberedAtOnceCancelChangesNothing)
    {
        RenameHarness h;
        h.Select({ "a.bmp" });
        TempFolder out;
        h.SetSetting("Last Dest Path", "/somewhere");
        h.WhileOpen([&] {
            EXPECT_EQ(h.Destination(), "/somewhere");
            h.Get<QRadioButton>("optSave1")->click();
            h.Click("cmdBrowse");
            EXPECT_EQ(h.dialogs.folderRequests.back().title, "Select Destination Folder...");
            EXPECT_EQ(h.dialogs.folderRequests.back().initialFolder, "/somewhere");
            EXPECT_EQ(h.Destination(), "/somewhere");
            EXPECT_EQ(h.Setting("Last Dest Path"), "/somewhere");
            h.dialogs.folderAnswers.push_back(out.Path());
            h.Click("cmdBrowse");
            EXPECT_EQ(h.Destination(), out.Path());
            EXPECT_EQ(h.Setting("Last Dest Path"), out.Path());
        });
    }

} // namespace
} // namespace gb::test
