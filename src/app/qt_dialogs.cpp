#include "app/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace gb::platform {

namespace {

    QMessageBox::Icon IconOf(int style)
    {
        switch (style & 0x70) {
        case MsgBoxStyle::Critical:
            return QMessageBox::Critical;
        case MsgBoxStyle::Question:
            return QMessageBox::Question;
        case MsgBoxStyle::Exclamation:
            return QMessageBox::Warning;
        case MsgBoxStyle::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
        }
    }

    QMessageBox::StandardButtons ButtonsOf(int style)
    {
        switch (style & 0x7) {
        case MsgBoxStyle::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgBoxStyle::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        default:
            return QMessageBox::Ok;
        }
    }

    int ResultOf(int button)
    {
        switch (button) {
        case QMessageBox::Ok:
            return MsgBoxResult::Ok;
        case QMessageBox::Yes:
            return MsgBoxResult::Yes;
        case QMessageBox::No:
            return MsgBoxResult::No;
        default:
            return MsgBoxResult::Cancel;
        }
    }

} // namespace

int QtDialogs::MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title)
{
    // A message without a title of its own carries the program's name.
    const QString caption = title.isEmpty() ? QStringLiteral("Glimmerbox") : title;
    QMessageBox box(IconOf(style), caption, prompt, ButtonsOf(style), owner);
    return ResultOf(box.exec());
}

QString QtDialogs::BrowseForFolder(
    QWidget* owner, const QString& title, const QString& initialFolder)
{
    return QFileDialog::getExistingDirectory(
        owner, title, PickerStartFolder(initialFolder), QFileDialog::ShowDirsOnly);
}

QString QtDialogs::PickerStartFolder(const QString& initialFolder)
{
    if (!initialFolder.isEmpty() && QFileInfo(initialFolder).isDir())
        return initialFolder;
    // Nothing remembered: where photos usually are, never the folder we happened to start in.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

QString QtDialogs::SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern)
{
    // One file type only, the displayed file's own; no default suffix is added, so a name typed
    // without an extension is used as typed.
    const QString filter = QStringLiteral("%1 (%1)").arg(pattern);
    return QFileDialog::getSaveFileName(owner, QStringLiteral("Save As"), proposedPath, filter);
}

} // namespace gb::platform
