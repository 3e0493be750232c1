// The main window's side of loading a folder: choosing it, what the status bar and the progress
// display show meanwhile, and what the person is told. The folder loader does the loading.
#include "browser/frm_thumbs.h"
#include "browser/progress_display.h"
#include "browser/thumb_grid.h"
#include "core/load_text.h"
#include "module1/module1.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QLabel>
#include <QStatusBar>

namespace gb::browser {

void frmThumbs::ChooseSourceFolder(bool useRemembered)
{
    if (loader_->IsClosed())
        return;
    QString folder = module1_.ReadSetting("Main", "Last Path", "");
    if (folder.isEmpty())
        useRemembered = false;
    if (!useRemembered)
        folder = module1_.BrowseForFolder(this, "Select a Folder with Images...", folder);
    if (folder.isEmpty())
        return;
    OpenSourceFolder(folder);
}

bool frmThumbs::OpenSourceFolder(const QString& folder)
{
    return StartLoad(folder, FolderLoader::Purpose::Remember);
}

bool frmThumbs::LoadFolder(const QString& folder, bool remember)
{
    return StartLoad(
        folder, remember ? FolderLoader::Purpose::Remember : FolderLoader::Purpose::Show);
}

void frmThumbs::LoadThumbnails()
{
    StartLoad(loader_->Listing().Path(), FolderLoader::Purpose::Refresh);
}

// Whatever runs is dropped: the newest request wins, and a folder opened while another loads is
// the one remembered.
bool frmThumbs::StartLoad(const QString& path, FolderLoader::Purpose purpose)
{
    return loader_->Start(
        path, purpose, { palette().color(QPalette::Button), devicePixelRatioF(), Grid().font() });
}

void frmThumbs::loader_OpenFailed(const QString& whyNot)
{
    picProgress->hide();
    if (loader_->CurrentPurpose() == FolderLoader::Purpose::Start) {
        // The person named this folder: say why it is not shown before offering another.
        Inform("The folder \"" + QDir::toNativeSeparators(start_.folder)
            + "\" cannot be opened: " + whyNot + ".");
        ChooseSourceFolder(true);
    }
    Q_EMIT LoadFailed(whyNot);
    AnnounceActivation();
}

void frmThumbs::loader_Listed(const FolderListing& listing)
{
    const FolderLoader::Purpose purpose = loader_->CurrentPurpose();
    if (purpose == FolderLoader::Purpose::Start)
        start_ = { listing.folder, listing.pictureToFocus };
    if (purpose != FolderLoader::Purpose::Refresh) {
        module1_.WriteSetting("Main", "Last Path", listing.folder);
        filHidden_PathChange();
    }
}

void frmThumbs::filHidden_PathChange()
{
    QString path = loader_->Listing().Path();
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    Panel(StatusPanel::Path)->setText(path);
    Panel(StatusPanel::Count)->setText(core::FileCountText(0));
}

// The old cells are gone: the grid stays hidden until the new ones are all there, so they do
// not repaint one by one; only the progress display moves.
void frmThumbs::loader_Began()
{
    Grid().hide();
    // A new listing starts the keyboard at its first cell on screen.
    Grid().SetFocusIndex(-1);
    // No cell until the load ends: nothing to act on.
    UpdateToolbar();
    Panel(StatusPanel::Path)->setText(SourcePath());
    Panel(StatusPanel::Count)->setText(core::FileCountText(loader_->Listing().ListCount()));
    picProgress->Begin(ProgressArea());
}

// The first activation is done once the folder it opened has loaded, or none was opened.
void frmThumbs::AnnounceActivation()
{
    if (activation_ != Activation::Loading || IsLoading())
        return;
    activation_ = Activation::Done;
    Q_EMIT FirstActivationDone();
}

void frmThumbs::loader_Finished()
{
    picProgress->hide();
    if (loader_->Listing().ListCount() == 0) {
        start_.picture.clear();
        UpdateToolbar();
        module1_.Services().dialogs.MsgBox(this,
            "There are no image files to display in the current directory.  Please select BROWSE "
            "to select a new source folder.",
            platform::MsgBoxStyle::Information, "Glimmerbox");
    } else {
        ShowCells();
    }
    Q_EMIT LoadFinished();
    AnnounceActivation();
}

// When every listed file failed, cell 0 holds nothing of this folder and stays hidden, so no
// file of an earlier folder can be ticked and acted on.
void frmThumbs::ShowCells()
{
    Form_Resize();
    Grid().show();
    // The keyboard goes back to the grid, which the load had hidden.
    Grid().setFocus();
    FocusStartPicture();
    Panel(StatusPanel::Count)->setText(core::FileCountText(loader_->MadeCells()));
    UpdateToolbar();
}

// The picture the program was opened on, while its folder is shown and the person has not yet
// touched the grid.
void frmThumbs::FocusStartPicture()
{
    // Nothing loaded yet, a load running, or nothing found.
    if (start_.picture.isEmpty() || SourcePath().isEmpty() || Grid().isHidden())
        return;
    QString folder = start_.folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    if (SourcePath() != folder) {
        start_.picture.clear();
        return;
    }
    for (int i = 0; i < chkThumb.ShownCount(); ++i) {
        if (chkThumb.Cell(i).Tag == start_.picture) {
            Grid().SetFocusIndex(i);
            return;
        }
    }
}

QRect frmThumbs::ProgressArea() const
{
    const QStatusBar* bar = statusBar();
    const QRect panel = Panel(StatusPanel::Path)->geometry();
    return { bar->x() + panel.x(), bar->y() + 1, panel.width(), bar->height() - 1 };
}

// Shows the file the load now waits for.
void frmThumbs::StepProgress(int index)
{
    const int percent = core::ProgressPercent(index, loader_->Listing().ListCount());
    const QString name = loader_->Listing().List(index);
    picProgress->Step(percent, name);
    Q_EMIT ProgressStepped(percent, name);
}

} // namespace gb::browser
