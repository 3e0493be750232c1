// The main window's folder loading: choosing the folder, listing it and making one cell per
// picture, with the progress display running over the status bar meanwhile.
#include "browser/frm_thumbs.h"
#include "browser/progress_display.h"
#include "browser/thumb_grid.h"
#include "browser/thumbnail_cache_writer.h"
#include "browser/thumbnail_pipeline.h"
#include "browser/tile_maker.h"
#include "core/caption_fit.h"
#include "core/load_text.h"
#include "core/thumbnail_drawing.h"
#include "core/thumbnail_geometry.h"
#include "module1/busy_pointer.h"
#include "module1/module1.h"
#include "platform/dialogs.h"
#include "platform/picture_loader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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

    // Painting the progress display for every file would cost more than a cached tile does;
    // events (and so repaints, clicks and Close) are handled at this interval instead.
    constexpr qint64 kEventIntervalMs = 15;

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

bool frmThumbs::OpenSourceFolder(const QString& folder) { return LoadFolder(folder, true); }

bool frmThumbs::OpenStartFolder()
{
    if (startFolder_.isEmpty())
        return false;
    if (OpenSourceFolder(startFolder_))
        return true;
    // The person named this folder: say why it is not shown before offering another.
    const QFileInfo info(startFolder_);
    const QString why = !info.exists() ? QStringLiteral("it does not exist")
        : !info.isDir()                ? QStringLiteral("it is not a folder")
                                       : QStringLiteral("it cannot be read");
    Inform("The folder \"" + QDir::toNativeSeparators(startFolder_) + "\" cannot be opened: " + why
        + ".");
    return false;
}

bool frmThumbs::LoadFolder(const QString& folder, bool remember)
{
    // While a load runs it keeps its own copy of the listing, so the list may change under it.
    if (IsClosed() || !filHidden.SetPath(folder))
        return false;
    // Remembered before loading: a folder opened during this load must win.
    if (remember)
        module1_.WriteSetting("Main", "Last Path", folder);
    filHidden_PathChange();
    LoadThumbnails();
    return true;
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

void frmThumbs::LoadThumbnails()
{
    if (IsClosed())
        return;
    // Asked for again during the yields of a running load (Refresh, Browse): that load stops
    // at its next step and this one starts over in its place.
    if (IsLoading()) {
        loadState_ = LoadState::Restarting;
        return;
    }
    bool finished = false;
    {
        app::BusyPointer busy;
        do {
            loadState_ = LoadState::Loading;
            finished = LoadListedFiles();
        } while (loadState_ == LoadState::Restarting);
    }
    loadState_ = loadState_ == LoadState::Stopping ? LoadState::Closed : LoadState::Idle;
    if (finished)
        Q_EMIT LoadFinished();
}

// One pass over the folder's listing; false when it was stopped by closing or a new load.
bool frmThumbs::LoadListedFiles()
{
    filHidden.Refresh();
    picSlide->hide();
    ResetCells();
    QCoreApplication::processEvents();

    const int listed = filHidden.ListCount();
    SourcePath_ = WithTrailingSlash(filHidden.Path());
    Panel(StatusPanel::Path)->setText(SourcePath_);
    Panel(StatusPanel::Count)->setText(core::FileCountText(listed));
    BeginProgress();

    QStringList names;
    QStringList paths;
    names.reserve(listed);
    paths.reserve(listed);
    for (int i = 0; i < listed; ++i) {
        names.push_back(filHidden.List(i));
        paths.push_back(SourcePath_ + names.back());
    }
    const QColor buttonFace = palette().color(QPalette::Button);
    const bool embedded
        = !IsSwitchedOff(module1_.ReadSetting("Main", "Use Embedded Thumbnails", "True"));
    cacheWriter_->Hold();
    const platform::Services& services = module1_.Services();
    // Each task holds its own copy of the maker, so no worker reaches into this stack frame;
    // what the maker refers to (the services, the window's cache writer) outlives the pipeline,
    // whose destruction waits for its workers.
    const TileMaker maker(services.pictures, services.thumbnails, services.files, *cacheWriter_,
        { embedded, buttonFace, devicePixelRatioF() });
    ThumbnailPipeline pipeline(paths, [maker](const QString& path) { return maker.Make(path); });

    int made = 0;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    // Closing or a new load ends this pass at its next step.
    for (int i = 0; i < listed && loadState_ == LoadState::Loading; ++i) {
        StepProgress(core::ProgressPercent(i, listed), names[i], sinceEvents);
        std::optional<core::CompactTile> tile = pipeline.Next();
        if (tile && loadState_ == LoadState::Loading)
            AddCell(made++, names[i], std::move(*tile));
    }
    picProgress->hide();
    if (loadState_ != LoadState::Loading)
        return false;
    FinishLoad(listed, made);
    cacheWriter_->Release();
    return true;
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
}

void frmThumbs::FinishLoad(int listed, int made)
{
    if (listed == 0) {
        startPicture_.clear();
        chkThumb[0].Visible = false;
        UpdateToolbar();
        module1_.Services().dialogs.MsgBox(this,
            "There are no image files to display in the current directory.  Please select BROWSE "
            "to select a new source folder.",
            platform::MsgBoxStyle::Information, "Glimmerbox");
        return;
    }
    // When every listed file failed, cell 0 holds nothing of this folder; it stays hidden so
    // that no file of an earlier folder can be ticked and acted on.
    chkThumb[0].Visible = made > 0;
    Form_Resize();
    picSlide->show();
    // The keyboard goes back to the grid, which the load had hidden.
    picSlide->setFocus();
    FocusStartPicture();
    Panel(StatusPanel::Count)->setText(core::FileCountText(made));
    UpdateToolbar();
}

// The picture the program was opened on, while its folder is shown and the user has not yet
// touched the grid.
void frmThumbs::FocusStartPicture()
{
    // Nothing loaded yet, a load running, or nothing found.
    if (startPicture_.isEmpty() || SourcePath_.isEmpty() || picSlide->isHidden())
        return;
    if (QFileInfo(SourcePath_) != QFileInfo(startFolder_)) {
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

void frmThumbs::StepProgress(int percent, const QString& text, QElapsedTimer& sinceEvents)
{
    picProgress->Step(percent, text);
    Q_EMIT ProgressStepped(percent, text);
    if (sinceEvents.elapsed() >= kEventIntervalMs) {
        QCoreApplication::processEvents();
        sinceEvents.restart();
    }
}

} // namespace gb::browser
