// The Options window: OK writes the key changed and says whether to reload; Cancel nothing.
#include "module1/settings.h"
#include "options/frm_options.h"
#include "support/accessible_names.h"
#include "support/modal_runner.h"
#include "support/test_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSpinBox>

namespace gb::test {
namespace {

    using app::Settings;
    using options::frmOptions;
    using Outcome = frmOptions::Outcome;

    // A row moves one control off its default by the keyboard alone: its letter, then a check
    // box is clicked, a list goes to its last entry ("Date taken", 256), the interval to 60.
    struct Row {
        const char* control;
        Qt::Key letter;
        bool (*written)(Settings); // the key now holds the control's value
        Outcome outcome;
    };
    const Row kRows[] = {
        { "chkFitPictures", Qt::Key_F, [](Settings s) { return s.FitPictures(); },
            Outcome::Changed },
        { "chkDeleteToTrash", Qt::Key_T, [](Settings s) { return s.DeleteToTrash(); },
            Outcome::Changed },
        { "cboSortOrder", Qt::Key_D,
            [](Settings s) { return s.CellSortOrder() == Settings::SortOrder::DateTaken; },
            Outcome::FolderOptionsChanged },
        { "chkSortReverse", Qt::Key_R, [](Settings s) { return s.SortReverse(); },
            Outcome::FolderOptionsChanged },
        { "cboThumbnailSize", Qt::Key_S, [](Settings s) { return s.ThumbnailSize() == 256; },
            Outcome::FolderOptionsChanged },
        { "chkWatchFolder", Qt::Key_W, [](Settings s) { return s.WatchFolder(); },
            Outcome::FolderOptionsChanged },
        { "spnSlideSeconds", Qt::Key_I, [](Settings s) { return s.SlideSeconds() == 60; },
            Outcome::Changed },
        { "chkEveryType", Qt::Key_E, [](Settings s) { return s.EveryPictureType(); },
            Outcome::FolderOptionsChanged },
        { "chkEmbeddedThumbnails", Qt::Key_B, [](Settings s) { return !s.UseEmbeddedThumbnails(); },
            Outcome::FolderOptionsChanged },
    };
    void Change(frmOptions& window, const Row& row)
    {
        auto* control = window.findChild<QWidget*>(row.control);
        auto* box = qobject_cast<QCheckBox*>(control);
        const bool was = box && box->isChecked();
        QTest::keyClick(&window, row.letter, Qt::AltModifier);
        QWidget* focus = QApplication::focusWidget();
        if (box) // a letter's click comes a moment later, as the button is seen pressed
            EXPECT_TRUE(QTest::qWaitFor([&] { return box->isChecked() != was; }));
        else if (qobject_cast<QComboBox*>(control))
            QTest::keyClick(focus, Qt::Key_End);
        else
            QTest::keyClicks(focus, "60");
        EXPECT_TRUE(focus == control || focus->parent() == control);
    }

    class OptionsWindow : public testing::TestWithParam<Row> { };

    // Cancel (Escape) writes nothing at all; OK (Enter) the changed key alone, and says whether
    // to reload. Every control has a name a screen reader reads.
    TEST_P(OptionsWindow, CancelWritesNothingAndOkTheChangedKey)
    {
        TestServices services;
        for (const Qt::Key button : { Qt::Key_Escape, Qt::Key_Return }) {
            frmOptions w(services.module1);
            Outcome outcome = Outcome::Unchanged;
            RunModal([&] { return &w; },
                [&](frmOptions&) {
                    EXPECT_EQ(UnnamedControls(w), QStringList());
                    Change(w, GetParam());
                    QTest::keyClick(QApplication::focusWidget(), button);
                },
                [&] { outcome = w.ShowModal(); });
            const bool ok = button == Qt::Key_Return;
            EXPECT_EQ(QFile::exists(services.module1.IniPath()), ok);
            EXPECT_EQ(GetParam().written(Settings(services.module1)), ok);
            EXPECT_EQ(outcome, ok ? GetParam().outcome : Outcome::Unchanged);
        }
    }

    INSTANTIATE_TEST_SUITE_P(Options, OptionsWindow, testing::ValuesIn(kRows),
        [](const testing::TestParamInfo<Row>& row) { return std::string(row.param.control); });

} // namespace
} // namespace gb::test
