#include "app/qt_dialogs.h"
#include "platform/linux_app_info.h"
#include "support/modal_runner.h"
#include "support/temp_folder.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

// Where the installed program keeps its settings and finds its help pages.
namespace gb::test {
namespace {

    using platform::LinuxAppInfo;

    // Only a portable copy, marked by its settings file, keeps its files beside itself; an
    // installed one never does, even when root, who could write there, runs it.
    TEST(ProgramFiles, SettingsBesideAPortableExecutableElseInTheConfigFolderAndHelpPages)
    {
        TempFolder exe, config, bare;
        exe.Write("gb.ini", "");
        bare.Write("other.ini", "");
        EXPECT_EQ(LinuxAppInfo::ChooseDataDirectory(exe.Path() + "/./", config.Path(), "gb.ini"),
            exe.Path());
        for (const QString& dir : QStringList { bare.Path(), exe.File("no/such/dir"), "/usr/bin",
                 "/usr/local/bin/", "/bin", "/sbin", "" })
            EXPECT_EQ(LinuxAppInfo::ChooseDataDirectory(dir, config.Path(), "gb.ini"),
                config.File("glimmerbox"))
                << qPrintable(dir);
        // Made private to the user, as the XDG base directories ask.
        EXPECT_EQ(QFile::permissions(config.File("glimmerbox")),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                | QFile::WriteUser | QFile::ExeUser);
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("https://example.org/", {}), "https://example.org");
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("https://example.org", {}), "https://example.org");
        // Beside the program only, even where no page is (Help then says so): never the tree the
        // program was built from.
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("", "/opt/gb/bin/../share/glimmerbox/"),
            "file:///opt/gb/share/glimmerbox");
    }

    // A question naming 600 files still fits the screen, every name on its own line (the list
    // scrolls); a short one is Qt's plain box. Yes is the default either way.
    TEST(QtMessageBox, ALongQuestionFitsTheScreenWithEveryLineAndTheSameButtons)
    {
        for (const QString& prompt :
            { "Sure?\n" + QString("photo.jpg\n").repeated(600), QString("Sure?") }) {
            int answer = 0;
            RunModal([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
                [&](QMessageBox& box) {
                    EXPECT_EQ(box.windowTitle() + box.text(), "GB - DELETING" + prompt);
                    EXPECT_EQ(box.findChild<QLabel*>("qt_msgbox_label")->text(), prompt);
                    EXPECT_LE(
                        box.frameGeometry().height(), box.screen()->availableGeometry().height());
                    EXPECT_TRUE(
                        qobject_cast<QPushButton*>(box.button(QMessageBox::Yes))->isDefault());
                    EXPECT_EQ(
                        box.findChild<QWidget*>("qt_msgbox_scroll") != nullptr, prompt.size() > 10);
                    box.button(QMessageBox::No)->click();
                },
                [&] {
                    answer = platform::QtDialogs().MsgBox(
                        nullptr, prompt, platform::MsgBoxStyle::YesNo, "GB - DELETING");
                });
            EXPECT_EQ(answer, platform::MsgBoxResult::No);
        }
    }

    // Qt's file dialog looks, as it is made, at the folder the last one was in, which may be on a
    // share gone dead since: a picker leaves it at home instead.
    TEST(QtFileDialog, APickerLeavesTheNextDialogOnlyHomeToLookAt)
    {
        TempFolder photos, config; // Qt keeps its dialogs' state here, not in the user's files
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.Path());
        QString chosen;
        RunModal([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
            [](QDialog& dialog) { dialog.accept(); },
            [&] { chosen = platform::QtDialogs().BrowseForFolder(nullptr, "", photos.Path()); });
        EXPECT_EQ(chosen, photos.Path());
        EXPECT_EQ(QFileDialog().directory().path(), QDir::homePath());
    }

} // namespace
} // namespace gb::test
