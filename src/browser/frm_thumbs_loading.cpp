// The main window's side of loading a folder: choosing it, what the status bar and the progress
// display show meanwhile, and what the person is told. The folder loader does the loading.
#include "browser/frm_thumbs.h"
#include "browser/main_status_bar.h"
#include "browser/thumb_grid.h"
#include "core/load_text.h"
#include "module1/module1.h"
#include "module1/settings.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QTimer>

namespace gb::browser {

void frmThumbs::ChooseSourceFolder(bool useRemembered)
{
    if (loader_->IsClosed())
        return;
    const QString folder = app::Settings(module1_).LastPath();
    if (useRemembered && !folder.isEmpty()) {
        OpenSourceFolder(folder);
        return;
    }
    // The picker opens once its start folder has answered; a first activation ends after it.
    module1_.BrowseForFolder(
        this, "Select a Folder with Images...", folder, [this](const QString& chosen) {
            if (!chosen.isEmpty())
                OpenSourceFolder(chosen);
            AnnounceActivation();
        });
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
    // The cells of a load that had not ended go with it, shown or not.
    const bool dropsShownCells = loader_->IsMakingCells() && !Grid().isHidden();
    if (!loader_->Start(path, purpose,
            { palette().color(QPalette::Button), devicePixelRatioF(), Grid().font() }))
        return false;
    tmrReveal->stop();
    if (dropsShownCells)
        Grid().hide();
    // Until the folder has been read the window has nothing new to show: a share may take long
    // to answer, or never, so the status bar says what is awaited.
    sbrMain->SetPath("Opening " + QDir::toNativeSeparators(path) + "…");
    return true;
}

void frmThumbs::loader_OpenFailed(const FolderListing& listing)
{
    sbrMain->EndProgress();
    sbrMain->SetPath(SourcePath()); // the folder still shown
    if (loader_->CurrentPurpose() == FolderLoader::Purpose::Start) {
        // The person named this folder or picture: say why it is not shown before offering
        // another folder.
        Inform((listing.missingPicture ? "The file \"" : "The folder \"")
            + QDir::toNativeSeparators(start_.Folder()) + "\" cannot be opened: " + listing.whyNot
            + ".");
        ChooseSourceFolder(true);
    }
    Q_EMIT LoadFailed(listing.whyNot);
    AnnounceActivation();
}

void frmThumbs::loader_Listed(const FolderListing& listing)
{
    // The old cells go next: hidden first, so they do not repaint one by one as they go.
    Grid().hide();
    sbrMain->SetHiddenPictures(listing.hiddenCount, listing.hiddenTypes);
    const FolderLoader::Purpose purpose = loader_->CurrentPurpose();
    if (purpose == FolderLoader::Purpose::Start)
        start_.Opened(listing.folder, listing.pictureToFocus);
    if (purpose != FolderLoader::Purpose::Refresh) {
        app::Settings(module1_).SetLastPath(listing.folder);
        filHidden_PathChange();
    }
}

void frmThumbs::filHidden_PathChange()
{
    QString path = loader_->Listing().Path();
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    sbrMain->SetPath(path);
    sbrMain->SetCount(core::FileCountText(0));
}

// The old cells are gone: the grid stays hidden until the new ones are all there, or for a
// second when they take longer; only the progress display moves.
void frmThumbs::loader_Began()
{
    // A new listing starts the keyboard at its first cell on screen.
    Grid().SetFocusIndex(-1);
    // No cell yet: nothing to act on.
    UpdateToolbar();
    sbrMain->SetNotice({});
    sbrMain->BeginProgress(SourcePath(), loader_->Listing().ListCount());
    if (loader_->Listing().ListCount() > 0)
        tmrReveal->start();
}

// A load still running after a second shows the cells that have come, each where it stays, and
// frames for the rest; they fill in as the files are read, and can be ticked meanwhile.
void frmThumbs::tmrReveal_Timer()
{
    if (!loader_->IsMakingCells())
        return;
    Form_Resize();
    Grid().show();
    Grid().setFocus();
    UpdateToolbar();
}

// The first activation is done once the folder it opened has loaded, or none was opened.
void frmThumbs::AnnounceActivation()
{
    if (start_.EndActivation(IsLoading() || module1_.PickerPending()))
        Q_EMIT FirstActivationDone();
}

// Files that are there but could not be read are not damaged: the person is told how many and
// why, once for the load; a Refresh tries them again.
void frmThumbs::loader_Finished()
{
    tmrReveal->stop();
    sbrMain->EndProgress();
    sbrMain->SetNotice(loader_->UnreadableText());
    if (loader_->Listing().ListCount() == 0) {
        start_.Forget();
        UpdateToolbar();
        module1_.Services().dialogs.MsgBox(this,
            "There are no image files to display in the current directory.  Please select BROWSE "
            "to select a new source folder.",
            platform::MsgBoxStyle::Information, "Glimmerbox");
    } else {
        ShowCells();
    }
    if (loader_->CurrentPurpose() == FolderLoader::Purpose::Start)
        TickStartPictures();
    Q_EMIT LoadFinished();
    AnnounceActivation();
}

// The folder watched changed: its cells follow without a reload.
void frmThumbs::loader_Updated()
{
    if (Grid().isHidden() && chkThumb.ShownCount() > 0) {
        Form_Resize();
        Grid().show();
    }
    Form_Resize();
    sbrMain->SetCount(core::FileCountText(loader_->MadeCells()));
    UpdateToolbar();
    Q_EMIT CellsFollowedFolder();
}

// When every listed file failed, cell 0 holds nothing of this folder and stays hidden, so no
// file of an earlier folder can be ticked and acted on.
void frmThumbs::ShowCells()
{
    // A grid shown as its cells came stays where the person scrolled it.
    if (Grid().isHidden())
        Form_Resize();
    Grid().show();
    // The keyboard goes back to the grid, which the load had hidden.
    Grid().setFocus();
    start_.Focus(Grid(), chkThumb, SourcePath());
    sbrMain->SetCount(core::FileCountText(loader_->MadeCells()));
    UpdateToolbar();
}

// Several pictures opened at once are ticked in their folder; those of other folders are not
// shown, and the person is told where they are.
void frmThumbs::TickStartPictures()
{
    const QStringList elsewhere = start_.TickOpened(chkThumb);
    if (elsewhere.isEmpty())
        return;
    QStringList folders;
    for (const QString& folder : elsewhere)
        folders << QDir::toNativeSeparators(folder);
    Inform("Only the pictures of one folder are shown at a time. Pictures you opened in "
        + QString(elsewhere.size() == 1 ? "this folder are" : "these folders are") + " not shown:\n"
        + folders.join(u'\n'));
}

// Shows the file the load now waits for.
void frmThumbs::StepProgress(int index)
{
    const int percent = core::ProgressPercent(index, loader_->Listing().ListCount());
    const QString name = loader_->Listing().List(index);
    sbrMain->StepProgress(percent, name);
    Q_EMIT ProgressStepped(percent, name);
}

} // namespace gb::browser
