// The main window's ticks, toolbar commands and context menus: a thumbnail's (open the file, or
// make it the desktop wallpaper) and the grid's empty area's (which picture types show).
#include "browser/context_menus.h"
#include "browser/delete_command.h"
#include "browser/frm_thumbs.h"
#include "browser/help_command.h"
#include "browser/main_status_bar.h"
#include "browser/secondary_windows.h"
#include "browser/thumb_grid.h"
#include "browser/wallpaper_command.h"
#include "module1/module1.h"
#include "module1/settings.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"

#include <QDir>
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
    if (!CellsInHand())
        return;
    const bool range = modifiers & Qt::ShiftModifier;
    lastClick_ = { range ? -1 : index, chkThumb.Cell(index).Value, sbrMain->Text(3) };
    chkThumb.Click(index, range);
}

// A double-click shows the picture; its first click's tick, and the path it showed, are put back.
void frmThumbs::chkThumb_DblClick(int index)
{
    if (lastClick_.index == index && CellsInHand()) {
        chkThumb.SetValue(index, lastClick_.value);
        sbrMain->SetPath(lastClick_.path);
    }
    lastClick_.index = -1;
    ShowSlidesFrom(index);
}

// The slide show over every picture of the folder, in cell order, from the one at `index`.
void frmThumbs::ShowSlidesFrom(int index)
{
    if (!CellsInHand() || delete_->IsRunning() || index >= chkThumb.ShownCount())
        return;
    auto files = std::make_shared<core::Files>();
    files->Reserve(chkThumb.ShownCount());
    const QString folder = SourcePath();
    for (int i = 0; i < chkThumb.ShownCount(); ++i)
        files->Append(chkThumb.Cell(i).Tag, folder);
    windows_->SlideShow(files, index);
}

void frmThumbs::chkThumb_MouseUp(int index, Qt::MouseButton button, QPoint globalPos)
{
    MenuIndex_ = index;
    if (button == Qt::RightButton && CellsInHand())
        menus_->CellMenu().popup(globalPos);
}

// Ticks every shown cell, or unticks every cell.
void frmThumbs::SetEveryValue(int value)
{
    chkThumb.SetValues(0, (value ? chkThumb.ShownCount() : chkThumb.Count()) - 1, value);
}

// While a load runs, the cells that have arrived.
void frmThumbs::SelectAll()
{
    if (CellsInHand())
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
    // Commands that hand over the selection act on the cells ticked so far while a load makes
    // them, and wait while a folder is still being read; Browse and Refresh start a new load,
    // which stops the running one; About and Help touch nothing of it. While files are being
    // deleted the selection is in hand: it reloads once they are gone.
    const bool anyTime = command == ToolbarCommand::Exit || command == ToolbarCommand::Help
        || command == ToolbarCommand::About || command == ToolbarCommand::Browse
        || command == ToolbarCommand::Refresh;
    if ((!CellsInHand() || delete_->IsRunning()) && !anyTime)
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
    // As a person may choose, the files go to the Trash, where they can be put back.
    const bool toTrash = app::Settings(module1_).DeleteToTrash();
    const QString prompt = (toTrash ? QStringLiteral("You are about to move all selected files "
                                                     "listed below to the Trash! Are you sure?\n")
                                    : QStringLiteral("You are about to delete all selected files "
                                                     "listed below! Are you sure?\n"))
        + names.join(u'\n') + u'\n';
    platform::IDialogs& dialogs = module1_.Services().dialogs;
    if (dialogs.MsgBox(this, prompt, platform::MsgBoxStyle::YesNo,
            toTrash ? "GLIMMERBOX - TRASHING FILE(S)" : "GLIMMERBOX - DELETING FILE(S)")
        == platform::MsgBoxResult::Yes)
        delete_->Start(SourcePath(), names, toTrash);
}

// A file the Trash could not take is never deleted for good unless the person says so, asked
// apart, naming each and why.
void frmThumbs::delete_Finished(const QStringList& failures, const QStringList& untrashed)
{
    sbrMain->SetPath(SourcePath());
    SetEveryValue(0);
    LoadThumbnails();
    if (!untrashed.isEmpty()) {
        const QString question = "These files cannot be moved to the Trash:\n"
            + failures.join(u'\n') + "\n\nDelete them for good? They cannot be restored.";
        if (module1_.Services().dialogs.MsgBox(
                this, question, platform::MsgBoxStyle::YesNo, "GLIMMERBOX - DELETING FILE(S)")
            == platform::MsgBoxResult::Yes)
            delete_->Start(SourcePath(), untrashed);
    } else if (!failures.isEmpty()) {
        Inform("These files were not deleted:\n" + failures.join(u'\n'));
    }
}

void frmThumbs::Inform(const QString& text)
{
    module1_.Services().dialogs.MsgBox(
        this, text, platform::MsgBoxStyle::Information, "Glimmerbox");
}

QMenu& frmThumbs::ContextMenu() const { return menus_->CellMenu(); }
QMenu& frmThumbs::TypesMenu() const { return menus_->TypesMenu(); }

void frmThumbs::mnuWallpaper_Click()
{
    const platform::Services& services = module1_.Services();
    wallpaper_->Start(MenuFile(), QDir(services.appInfo.DataDirectory()).filePath("Wallpaper.bmp"),
        palette().color(QPalette::Button), module1_.ShownPictureOptions());
}

// A mouse button released over the grid outside every cell, or over the viewport while the grid
// is hidden (a folder with nothing to show).
void frmThumbs::picFrame_MouseUp(Qt::MouseButton button, QPoint globalPos)
{
    if (button != Qt::RightButton || IsLoading())
        return;
    menus_->PopUpTypes(globalPos, module1_.EveryPictureType());
}

// Remembered in the settings, and the folder shown is listed again with the types chosen.
void frmThumbs::mnuEveryType_Click(bool checked)
{
    module1_.SetEveryPictureType(checked);
    if (!loader_->Listing().Path().isEmpty())
        LoadThumbnails();
}

// The options a load reads take effect on the folder shown at once.
void frmThumbs::mnuOptions_Click()
{
    if (windows_->Options() && !loader_->Listing().Path().isEmpty())
        LoadThumbnails();
}

QString frmThumbs::MenuFile() const
{
    if (MenuIndex_ < 0 || MenuIndex_ >= chkThumb.Count())
        return {};
    return SourcePath() + chkThumb.Cell(MenuIndex_).Tag;
}

// The desktop shows nothing when no program takes the file, or when the only one is this
// program (which would merely show the folder again), so the person is told here.
void frmThumbs::mnuView_Click()
{
    const QString file = MenuFile();
    module1_.OpenDocument(this, file, [this, file](bool opened) {
        if (!opened && !file.isEmpty())
            Inform("No program other than Glimmerbox is set up to open \""
                + QDir::toNativeSeparators(file) + "\", so it was not opened.");
    });
}

} // namespace gb::browser
