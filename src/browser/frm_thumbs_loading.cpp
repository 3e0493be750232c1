// The main window's folder loading: choosing the folder, listing it and making one cell per
// picture, with the progress display running over the status bar meanwhile. Every step that
// touches the disk runs on the folder load's workers; the window takes each result as it comes,
// so it repaints and answers whatever the storage does.
#include "browser/folder_load.h"
#include "browser/frm_thumbs.h"
#include "browser/progress_display.h"
#include "browser/thumb_grid.h"
#include "browser/thumbnail_cache_writer.h"
#include "browser/tile_maker.h"
#include "browser/tile_store.h"
#include "core/caption_fit.h"
#include "core/load_text.h"
#include "core/thumbnail_drawing.h"
#include "core/thumbnail_geometry.h"
#include "module1/module1.h"
#include "platform/dialogs.h"
#include "platform/picture_loader.h"

#include <QDir>
#include <QLabel>
#include <QStatusBar>

namespace gb::browser {

namespace {

    QString WithTrailingSlash(QString path)
    {
        if (!path.isEmpty() && !path.endsWith(u'/'))
            path += u'/';
        return path;
    }

    bool IsSwitchedOff(const QString& setting)
    {
        const QString value = setting.trimmed();
        return value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0
            || value == QLatin1String("0");
    }

    // On a share every request pays a round trip: this many files are read at once there, so
    // the link stays busy. Decoding stays one per core whatever runs (the loader sees to that).
    constexpr int kRemoteReadsInFlight = 16;

} // namespace

void frmThumbs::ChooseSourceFolder(bool useRemembered)
{
    if (IsClosed())
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
    return StartLoad(folder, LoadPurpose::Remember);
}

bool frmThumbs::LoadFolder(const QString& folder, bool remember)
{
    return StartLoad(folder, remember ? LoadPurpose::Remember : LoadPurpose::Show);
}

void frmThumbs::LoadThumbnails() { StartLoad(filHidden.Path(), LoadPurpose::Refresh); }

// Whatever runs is dropped: the newest request wins, and a folder opened while another loads is
// the one remembered.
bool frmThumbs::StartLoad(const QString& path, LoadPurpose purpose)
{
    if (IsClosed())
        return false;
    cacheWriter_->Release(); // what the dropped load made is not made again
    loadPurpose_ = purpose;
    loadState_ = LoadState::Listing;
    ++loadId_;
    if (!busy_)
        busy_.emplace();
    // Listing and decoding agree on the types, whatever is switched while the load runs.
    loadEveryType_ = module1_.EveryPictureType();
    const FileList::Accept accept = purpose == LoadPurpose::Refresh ? FileList::Accept::Anything
        : purpose == LoadPurpose::Start ? FileList::Accept::FolderOrPicture
                                        : FileList::Accept::Folder;
    folderLoad_->List(path, accept, loadEveryType_);
    return true;
}

void frmThumbs::folderLoad_Listed(const FolderListing& listing)
{
    if (!listing.Opened() && loadPurpose_ != LoadPurpose::Refresh) {
        EndLoad();
        if (loadPurpose_ == LoadPurpose::Start) {
            // The person named this folder: say why it is not shown before offering another.
            Inform("The folder \"" + QDir::toNativeSeparators(startFolder_)
                + "\" cannot be opened: " + listing.whyNot + ".");
            ChooseSourceFolder(true);
        }
        Q_EMIT LoadFailed(listing.whyNot);
        AnnounceActivation();
        return;
    }
    if (loadPurpose_ == LoadPurpose::Start) {
        startFolder_ = listing.folder;
        startPicture_ = listing.pictureToFocus;
    }
    if (loadPurpose_ != LoadPurpose::Refresh) {
        module1_.WriteSetting("Main", "Last Path", listing.folder);
        filHidden.Take(listing);
        filHidden_PathChange();
    } else {
        // The folder as it is now; one gone since lists nothing.
        filHidden.Take({ filHidden.Path(), {}, listing.names, {} });
    }
    LoadListedFiles(listing.remote);
}

// The first activation is done once the folder it opened has loaded, or none was opened.
void frmThumbs::AnnounceActivation()
{
    if (!activationPending_ || IsLoading())
        return;
    activationPending_ = false;
    Q_EMIT FirstActivationDone();
}

void frmThumbs::filHidden_PathChange()
{
    Panel(StatusPanel::Path)->setText(WithTrailingSlash(filHidden.Path()));
    Panel(StatusPanel::Count)->setText(core::FileCountText(0));
}

void frmThumbs::ResetCells()
{
    chkThumb.resize(1);
    chkThumb[0] = ThumbCell {};
    tiles_->Reset();
    tickedCount_ = 0;
    // A new listing starts the keyboard at its first cell on screen.
    picSlide->SetFocusIndex(-1);
    // No cell until the load ends: nothing to act on.
    UpdateToolbar();
}

QString frmThumbs::FitCaption(const QString& name) const
{
    const QFontMetrics metrics(picSlide->font());
    return core::FitCaption(name, kThumbCellSize.width(),
        [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
}

// Starts making the cells of the folder's listing; they come in through folderLoad_TilesReady.
void frmThumbs::LoadListedFiles(bool remote)
{
    loadState_ = LoadState::Loading;
    picSlide->hide();
    ResetCells();
    const int listed = filHidden.ListCount();
    SourcePath_ = WithTrailingSlash(filHidden.Path());
    Panel(StatusPanel::Path)->setText(SourcePath_);
    Panel(StatusPanel::Count)->setText(core::FileCountText(listed));
    BeginProgress();
    madeCells_ = 0;
    takenTiles_ = 0;

    QStringList paths;
    paths.reserve(listed);
    for (int i = 0; i < listed; ++i)
        paths.push_back(SourcePath_ + filHidden.List(i));
    const QColor buttonFace = palette().color(QPalette::Button);
    const bool embedded
        = !IsSwitchedOff(module1_.ReadSetting("Main", "Use Embedded Thumbnails", "True"));
    cacheWriter_->Hold();
    const platform::Services& services = module1_.Services();
    // Each task holds its own copy of the maker, so no worker reaches into the window; what the
    // maker refers to (the services, the window's cache writer) outlives the folder load, whose
    // destruction waits for its workers.
    const TileMaker maker(services.pictures, services.thumbnails, *cacheWriter_,
        { embedded, buttonFace, devicePixelRatioF(), remote, loadEveryType_ });
    folderLoad_->MakeTiles(
        std::move(paths), [maker](const QString& path) { return maker.Make(path); },
        remote ? kRemoteReadsInFlight : 0);
    if (listed == 0)
        FinishLoad();
    else
        StepProgress(0);
}

void frmThumbs::folderLoad_TilesReady()
{
    if (loadState_ != LoadState::Loading)
        return;
    const quint64 load = loadId_;
    const int listed = filHidden.ListCount();
    for (std::optional<core::CompactTile>& tile : folderLoad_->TakeTiles()) {
        const int index = takenTiles_++;
        if (tile)
            AddCell(madeCells_++, filHidden.List(index), std::move(*tile));
        if (takenTiles_ < listed)
            StepProgress(takenTiles_);
        // Whoever watches the progress may have started another load, or closed the window.
        if (loadId_ != load || loadState_ != LoadState::Loading)
            return;
    }
    if (takenTiles_ == listed)
        FinishLoad();
}

// Cell 0 always exists; the others are added behind it. Every cell starts unticked (ResetCells
// cleared cell 0, and nothing ticks while a load runs).
void frmThumbs::AddCell(int index, const QString& name, core::CompactTile tile)
{
    if (index > 0)
        chkThumb.emplace_back();
    ThumbCell& cell = chkThumb.back();
    cell.Tag = name;
    cell.ToolTipText = name;
    cell.Picture = std::move(tile);
    cell.Caption = FitCaption(name);
    cell.Visible = true;
    tiles_->Added(index);
}

void frmThumbs::EndLoad()
{
    loadState_ = LoadState::Idle;
    picProgress->hide();
    busy_.reset();
}

void frmThumbs::FinishLoad()
{
    EndLoad();
    cacheWriter_->Release();
    const int listed = filHidden.ListCount();
    if (listed == 0) {
        startPicture_.clear();
        chkThumb[0].Visible = false;
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

void frmThumbs::ShowCells()
{
    // When every listed file failed, cell 0 holds nothing of this folder; it stays hidden so
    // that no file of an earlier folder can be ticked and acted on.
    chkThumb[0].Visible = madeCells_ > 0;
    Form_Resize();
    picSlide->show();
    // The keyboard goes back to the grid, which the load had hidden.
    picSlide->setFocus();
    FocusStartPicture();
    Panel(StatusPanel::Count)->setText(core::FileCountText(madeCells_));
    UpdateToolbar();
}

// The picture the program was opened on, while its folder is shown and the user has not yet
// touched the grid.
void frmThumbs::FocusStartPicture()
{
    // Nothing loaded yet, a load running, or nothing found.
    if (startPicture_.isEmpty() || SourcePath_.isEmpty() || picSlide->isHidden())
        return;
    if (SourcePath_ != WithTrailingSlash(startFolder_)) {
        startPicture_.clear();
        return;
    }
    for (size_t i = 0; i < chkThumb.size(); ++i) {
        if (chkThumb[i].Visible && chkThumb[i].Tag == startPicture_) {
            picSlide->SetFocusIndex(static_cast<int>(i));
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

void frmThumbs::BeginProgress() { picProgress->Begin(ProgressArea()); }

// Shows the file the load now waits for.
void frmThumbs::StepProgress(int index)
{
    const int percent = core::ProgressPercent(index, filHidden.ListCount());
    const QString name = filHidden.List(index);
    picProgress->Step(percent, name);
    Q_EMIT ProgressStepped(percent, name);
}

} // namespace gb::browser
