#include "app/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

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

    // A prompt taller than half the screen (the names of hundreds of files) would push the
    // buttons off it: its text goes into a scrolling area, the rest of the box stays as it is.
    void FitTextToScreen(QMessageBox& box)
    {
        auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        auto* grid = qobject_cast<QGridLayout*>(box.layout());
        const QScreen* screen = box.screen();
        if (!label || !grid || !screen)
            return;
        const int tallest = screen->availableGeometry().height() / 2;
        if (label->sizeHint().height() <= tallest)
            return;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
        grid->removeWidget(label);
        auto* area = new QScrollArea(&box);
        area->setObjectName(QStringLiteral("qt_msgbox_scroll"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidget(label);
        area->setWidgetResizable(true);
        area->setMinimumSize(
            label->sizeHint().width() + area->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
            tallest);
        grid->addWidget(area, row, column, rows, columns);
    }

    // Qt's file dialog remembers for the rest of the run the folder it was last in, and the next
    // one looks there as it is made, before going where it is told: on a share that has stopped
    // answering since, that look would hold the window until the share comes back. So each one
    // is left at home, which is all the next one then looks at besides its own folder.
    QString RunPicker(QFileDialog& dialog)
    {
        const bool accepted = dialog.exec() == QDialog::Accepted;
        const QString chosen = accepted ? dialog.selectedFiles().value(0) : QString();
        dialog.setDirectory(QDir::homePath());
        return chosen;
    }

} // namespace

int QtDialogs::MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title)
{
    // A message without a title of its own carries the program's name.
    const QString caption = title.isEmpty() ? QStringLiteral("Glimmerbox") : title;
    QMessageBox box(IconOf(style), caption, prompt, ButtonsOf(style), owner);
    FitTextToScreen(box);
    return ResultOf(box.exec());
}

QString QtDialogs::BrowseForFolder(
    QWidget* owner, const QString& title, const QString& initialFolder)
{
    QFileDialog dialog(owner, title, initialFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return RunPicker(dialog);
}

QString QtDialogs::SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern)
{
    // One file type only, the displayed file's own; no default suffix is added, so a name typed
    // without an extension is used as typed.
    const QFileInfo proposed(proposedPath);
    QFileDialog dialog(
        owner, QStringLiteral("Save As"), proposed.path(), QStringLiteral("%1 (%1)").arg(pattern));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(proposed.fileName());
    return RunPicker(dialog);
}

} // namespace gb::platform
