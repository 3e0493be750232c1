// The main window's ticks and toolbar commands.
#include "browser/context_menus.h"
#include "browser/delete_command.h"
#include "browser/frm_thumbs.h"
#include "browser/help_command.h"
#include "browser/main_status_bar.h"
#include "browser/secondary_windows.h"
#include "browser/thumb_grid.h"
#include "module1/module1.h"
#include "platform/dialogs.h"

#include <QMenu>

namespace gb::browser {

// Ticks changed, by the person or by the program: the last one changed is shown.
void frmThumbs::chkThumb_Click(int index)
{
    QString path = loader_->Listing().Path();
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    const ThumbCell& cell = chkThumb.Cell(index);
    sbrMain->SetPath(cell.Value ? path + cell.Tag : path);
    UpdateToolbar();
}

void frmThumbs::ToggleCell(int index, Qt::KeyboardModifiers modifiers)
{
    if (IsLoading())
        return;
    if ((modifiers & Qt::ShiftModifier) && anchorIndex_ >= 0 && anchorIndex_ < chkThumb.Count()) {
        chkThumb.SetValues(std::min(anchorIndex_, index), std::max(anchorIndex_, index), 1);
        return;
    }
    chkThumb.SetValue(index, chkThumb.Cell(index).Value ? 0 : 1);
    anchorIndex_ = index;
}

void frmThumbs::chkThumb_MouseUp(int index, Qt::MouseButton button, QPoint globalPos)
{
    MenuIndex_ = index;
    if (button == Qt::RightButton && !IsLoading())
        menus_->CellMenu().popup(globalPos);
}

// Ticks every shown cell, or unticks every cell.
void frmThumbs::SetEveryValue(int value)
{
    chkThumb.SetValues(0, (value ? chkThumb.ShownCount() : chkThumb.Count()) - 1, value);
}

void frmThumbs::SelectAll()
{
    if (!IsLoading())
        SetEveryValue(1);
}

core::FilesPtr frmThumbs::GetSelectedFiles() const
{
    auto files = std::make_shared<core::Files>();
    files->Reserve(chkThumb.TickedCount());
    const QString folder = SourcePath();
    for (const ThumbCell& cell : chkThumb.Cells()) {
        if (cell.Value)
            files->Append(cell.Tag, folder);
    }
    return files;
}

void frmThumbs::tbrMain_ButtonClick(ToolbarCommand command)
{
    // Commands that hand over the selection wait until a running load has ended; Browse and
    // Refresh start a new load, which stops the running one. While files are being deleted
    // the selection is in hand: it reloads once they are gone.
    const bool anyTime = command == ToolbarCommand::Exit || command == ToolbarCommand::Help
        || command == ToolbarCommand::Browse || command == ToolbarCommand::Refresh;
    if ((IsLoading() || delete_->IsRunning()) && !anyTime)
        return;
    switch (command) {
    case ToolbarCommand::Browse:
        return ChooseSourceFolder(false);
    case ToolbarCommand::Delete:
        return DeleteSelected();
    case ToolbarCommand::Rename:
        windows_->Rename(GetSelectedFiles());
        return LoadThumbnails(); // renamed, moved and new files appear
    case ToolbarCommand::Slideshow:
        return windows_->SlideShow(GetSelectedFiles());
    case ToolbarCommand::About:
        return windows_->About();
    case ToolbarCommand::SelectAll:
        return SelectAll();
    case ToolbarCommand::Refresh:
        return LoadThumbnails();
    case ToolbarCommand::Help:
        return ShowHelp(module1_, this);
    case ToolbarCommand::Exit:
        close();
        return;
    }
}

void frmThumbs::DeleteSelected()
{
    QStringList names;
    for (const ThumbCell& cell : chkThumb.Cells()) {
        if (cell.Value)
            names << cell.Tag;
    }
    const QString prompt
        = "You are about to delete all selected files listed below! Are you sure?\n"
        + names.join(u'\n') + u'\n';
    platform::IDialogs& dialogs = module1_.Services().dialogs;
    if (dialogs.MsgBox(this, prompt, platform::MsgBoxStyle::YesNo, "GLIMMERBOX - DELETING FILE(S)")
        == platform::MsgBoxResult::Yes)
        delete_->Start(SourcePath(), names);
}

void frmThumbs::Inform(const QString& text)
{
    module1_.Services().dialogs.MsgBox(
        this, text, platform::MsgBoxStyle::Information, "Glimmerbox");
}

} // namespace gb::browser
