#include "rename_harness.h"
#include "support/accessible_names.h"

#include <QFile>
#include <QGroupBox>
#include <QStyleOptionButton>

namespace gb::test {
namespace {

    TEST(RenameWindow, EveryControlHasANameAScreenReaderReads)
    {
        RenameHarness h;
        const QStringList unnamed = UnnamedControls(h.window);
        EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(unnamed.join(", "));
    }

    // The preview stretches a picture to its frame, as it always did, or keeps its proportions
    // when a person asks pictures to be fitted.
    TEST(RenameWindow, ThePreviewKeepsProportionsOnlyWhenPicturesAreFitted)
    {
        struct Row {
            const char* fit;
            bool stretched;
            QSize pixels;
        };
        const Row rows[] = {
            { "False", true, QSize(48, 32) }, // the file's pixels, stretched as shown
            { "True", false, QSize(127, 84) }, // 48 x 32 in the frame's 127 x 151
        };
        for (const Row& row : rows) {
            RenameHarness h;
            h.SetSetting("Fit Pictures", row.fit);
            h.Select({ "a.bmp" });
            h.WhileOpen([&] {
                auto* preview = h.Get<QLabel>("Picture1");
                ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->pixmap().isNull(); }));
                EXPECT_EQ(preview->hasScaledContents(), row.stretched) << row.fit;
                EXPECT_EQ(preview->pixmap().size(), row.pixels) << row.fit;
            });
        }
    }

    // However long the paths, in either mode and for one file or many, the window keeps one size;
    // and Enter is no button's key here, wherever the focus is.
    TEST(RenameWindow, StepsThroughTheSelectionPicksADestinationAndStartsAfreshEachShowing)
    {
        RenameHarness h;
        h.Select({ "a.bmp", "b.bmp", "c.bmp" });
        const QString deep = QString("/deep").repeated(60);
        h.SetSetting("Last Dest Path", deep);
        TempFolder out;
        const auto sizeNow = [&] {
            QCoreApplication::sendPostedEvents(); // the layout's pending requests
            return h.window.size();
        };
        QSize size, hint; // the size shown, and the size a new window would take
        h.WhileOpen([&] {
            size = sizeNow();
            hint = h.window.sizeHint();
            QPushButton* back = h.Get<QPushButton>("cmdBack");
            QPushButton* next = h.Get<QPushButton>("cmdNext");
            EXPECT_EQ(h.Source(), h.photos.File("a.bmp"));
            // Done has the keyboard, and its focus frame shows before any Tab.
            QStyleOptionButton done;
            done.initFrom(h.Get<QPushButton>("cmdDone"));
            EXPECT_EQ(QApplication::focusWidget(), h.Get<QPushButton>("cmdDone"));
            EXPECT_TRUE(done.state & QStyle::State_KeyboardFocusChange);
            EXPECT_TRUE(h.Get<QRadioButton>("optSave0")->isChecked());
            EXPECT_TRUE(h.Get<QLabel>("Image1")->isVisible());
            EXPECT_FALSE(h.Get<QLabel>("Image1")->pixmap().isNull());
            EXPECT_FALSE(h.Get<QGroupBox>("fraBatch")->isVisible());
            EXPECT_TRUE(h.Get<QPushButton>("cmdSaveAs")->isEnabled());
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return !h.Get<QLabel>("Picture1")->pixmap().isNull(); }));
            EXPECT_TRUE(back->isVisible() && back->isEnabled() && next->isEnabled());
            // The button, then the entry shown, its index and whether Back and Next are enabled.
            const std::tuple<QPushButton*, QString, int, bool, bool> steps[]
                = { { back, "a.bmp", 0, false, true }, { next, "b.bmp", 1, true, true },
                      { next, "c.bmp", 2, true, false }, { back, "b.bmp", 1, true, true },
                      { back, "a.bmp", 0, false, true } };
            for (const auto& [button, shown, index, backOn, nextOn] : steps) {
                button->click();
                EXPECT_EQ(std::tuple(h.Source(), h.window.CurrentIndex(), back->isEnabled(),
                              next->isEnabled()),
                    std::tuple(h.photos.File(shown), index, backOn, nextOn));
            }
            // Space on a stepping button to the end and back: the keyboard never goes to Save As.
            next->setFocus();
            for (int press = 0; press < 4; ++press)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            EXPECT_EQ(h.window.CurrentIndex(), 0);
            EXPECT_EQ(QApplication::focusWidget(), next);

            next->click();
            for (const char* name : { "cmdNext", "chkDeleteOrig", "optSave1", "txtFilename" }) {
                QWidget* control = h.window.findChild<QWidget*>(name);
                control->setFocus();
                for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter })
                    QTest::keyClick(control, key);
            }
            EXPECT_EQ(std::pair(h.window.CurrentIndex(), h.window.isVisible()), std::pair(1, true));
            h.Get<QRadioButton>("optSave1")->click();
            EXPECT_EQ(sizeNow(), size);
            h.window.resize(size + QSize(600, 0)); // a path shown wider never holds the window
            sizeNow();
            h.window.resize(size);
            EXPECT_EQ(sizeNow(), size);
            const QString cut = h.Get<QLabel>("lblDestination")->text();
            EXPECT_TRUE(cut.startsWith("/deep/") && cut.contains(u'…') && cut.endsWith("/deep"));
            EXPECT_EQ(h.Get<QLabel>("lblDestination")->toolTip(),
                "Where to copy the selected files to.\n" + deep);
            EXPECT_FALSE(h.Get<QLabel>("Image1")->isVisible());
            EXPECT_TRUE(h.Get<QGroupBox>("fraBatch")->isVisible());
            EXPECT_FALSE(h.Get<QPushButton>("cmdSaveAs")->isEnabled());
            EXPECT_TRUE(h.Get<QLineEdit>("txtFilename")->hasFocus());
            h.Get<QLineEdit>("txtFilename")->setText("leftover");
            // The box also has a digits-only validator; the key filter must still pass keys that
            // type nothing (arrows) and drop every character but the ten digits and backspace.
            QLineEdit* suffix = h.Get<QLineEdit>("txtSuffix");
            EXPECT_EQ(suffix->text(), "1");
            suffix->clear();
            QTest::keyClicks(suffix, "1a-.29");
            QTest::keyClick(suffix, Qt::Key_Left);
            QTest::keyClicks(suffix, "0");
            EXPECT_EQ(suffix->text(), "1209");
            QTest::keyClick(suffix, Qt::Key_Backspace);
            QTest::keyClicks(suffix, "345");
            EXPECT_EQ(suffix->text(), "12349");

            EXPECT_EQ(h.Destination(), deep);
            h.Click("cmdBrowse"); // cancelled
            EXPECT_EQ(h.dialogs.folderRequests.back().title, "Select Destination Folder...");
            EXPECT_EQ(h.Destination(), deep);
            EXPECT_EQ(h.Setting("Last Dest Path"), deep);
            h.dialogs.folderAnswers.push_back(out.Path());
            h.Click("cmdBrowse");
            EXPECT_EQ(h.Destination(), out.Path());
            EXPECT_EQ(h.Setting("Last Dest Path"), out.Path()); // at once, not on closing
        });
        h.WhileOpen([&] {
            EXPECT_TRUE(h.Get<QRadioButton>("optSave0")->isChecked());
            EXPECT_TRUE(h.Get<QLineEdit>("txtFilename")->text().isEmpty());
            EXPECT_EQ(h.Get<QLineEdit>("txtSuffix")->text(), "1");
            EXPECT_TRUE(h.Get<QPushButton>("cmdBack")->isEnabled());
            EXPECT_EQ(h.Destination(), out.Path());
        });
        const QString only = QString(200, u'p') + ".bmp";
        h.Select({ only }); // one file hides the steps; a gone one leaves no preview
        QFile::remove(h.photos.File(only));
        h.WhileOpen([&] {
            EXPECT_EQ(std::pair(sizeNow(), h.window.sizeHint()), std::pair(size, hint));
            const QString cut = h.Get<QLabel>("lblSource")->text();
            EXPECT_TRUE(cut.contains(u'…') && cut.endsWith("pp.bmp")) << cut.toStdString();
            EXPECT_EQ(h.Get<QLabel>("lblSource")->toolTip(), h.Source());
            EXPECT_FALSE(h.Get<QPushButton>("cmdBack")->isVisible()
                || h.Get<QPushButton>("cmdNext")->isVisible());
            EXPECT_TRUE(h.Get<QLabel>("Picture1")->pixmap().isNull());
        });
    }

} // namespace
} // namespace gb::test
