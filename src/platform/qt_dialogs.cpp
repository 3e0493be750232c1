#include "platform/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

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
    QMessageBox box(IconOf(style), title, prompt, ButtonsOf(style), owner);
    return ResultOf(box.exec());
}

QString QtDialogs::BrowseForFolder(
    QWidget* owner, const QString& title, const QString& initialFolder)
{
    const QString start = QDir(initialFolder).exists() ? initialFolder : QString();
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

} // namespace gb::platform
