#pragma once

#include "browser/file_list.h"
#include "browser/thumb_cell.h"
#include "browser/window_placement.h"
#include "core/files_dictionary.h"
#include "module1/busy_pointer.h"

#include <QMainWindow>
#include <QRect>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QMenu;
class QScrollBar;

namespace gb::app {
class Module1;
}
namespace gb::rename {
class frmRename;
}
namespace gb::slideshow {
class frmSlideShow;
}
namespace gb::about {
class frmAbout;
}

namespace gb::browser {

class FolderLoad;
struct FolderListing;
class MainToolbar;
class ProgressDisplay;
class ThumbGrid;
class ThumbnailCacheWriter;
class TileStore;

// The main window: the thumbnail grid of one source folder, its toolbar and status bar.
class frmThumbs : public QMainWindow {
    Q_OBJECT
public:
    explicit frmThumbs(app::Module1& module1, QWidget* parent = nullptr);
    ~frmThumbs() override;

    // A folder to open at the first activation instead of the remembered one; or a picture, whose
    // folder is opened with the keyboard's focus on it (the file the program was opened with).
    void SetStartFolder(const QString& folderOrPicture) { startFolder_ = folderOrPicture; }

    // Loads `folder` and remembers it. The load runs on while this returns: LoadFinished follows,
    // or LoadFailed when the folder cannot be opened (nothing changed then). False when the
    // window is closed and loads no more.
    bool OpenSourceFolder(const QString& folder);
    // Loads `folder`, remembering it only when asked; as OpenSourceFolder.
    bool LoadFolder(const QString& folder, bool remember = false);
    void ChooseSourceFolder(bool useRemembered);
    // Lists the folder shown again and loads it.
    void LoadThumbnails();
    bool IsLoading() const
    {
        return loadState_ == LoadState::Listing || loadState_ == LoadState::Loading;
    }
    // No worker still reads or decodes a file for the window. A read stuck on a share that
    // stopped answering keeps it false; the program then ends without waiting for it.
    bool IsBackgroundIdle() const;

    // What the window shows, for the contact sheet and for tests.
    const std::vector<ThumbCell>& Cells() const { return chkThumb; }
    QString SourcePath() const { return SourcePath_; }
    QString PanelText(int panel) const;
    MainToolbar& Toolbar() const { return *toolbar_; }
    ThumbGrid& Grid() const { return *picSlide; }
    QScrollBar& ScrollBar() const { return *vsbSlide; }
    QWidget& Viewport() const { return *picFrame; }
    ProgressDisplay& Progress() const { return *picProgress; }
    // Where the cells' pictures are kept: in memory up to a budget, the rest on the disk.
    TileStore& Tiles() const { return *tiles_; }

    void UpdateToolbar();
    void Form_Resize();

    // The rename window, once the Rename command has made it.
    rename::frmRename* RenameWindow() const { return frmRename_; }
    // The About window, once the About command has made it.
    about::frmAbout* AboutWindow() const { return frmAbout_; }

    // A new dictionary of the ticked cells' files, in cell order.
    core::FilesPtr GetSelectedFiles() const;
    // The cell the context menu acts on: where a mouse button was last released.
    int MenuIndex() const { return MenuIndex_; }
    QMenu& ContextMenu() const { return *mnuMenu; }
    // The menu of the grid's empty area (a right click outside every cell): which types show.
    QMenu& TypesMenu() const { return *mnuTypes; }
    void tbrMain_ButtonClick(const QString& key);

Q_SIGNALS:
    // Every load has ended (also an empty one, after its message).
    void LoadFinished();
    // A folder to load could not be opened (`why` ends the sentence: "it does not exist").
    void LoadFailed(const QString& why);
    // The first activation has been handled (its folder loaded, or nothing to load).
    void FirstActivationDone();
    // A Set as Wallpaper request has ended, however it went.
    void WallpaperRequestEnded();
    // A load is about to show the progress step `percent` for `name`.
    void ProgressStepped(int percent, const QString& name);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the window is in loading folders. A new load or Close may come at any time: what
    // runs is then dropped.
    enum class LoadState {
        Idle, // no load runs
        Listing, // the folder is being read
        Loading, // its cells are being made
        Closed, // the window closed: no load starts any more
    };
    // Why a folder is loaded, which decides what a folder that cannot be opened gets.
    enum class LoadPurpose {
        Start, // named on the command line: explained, then another is chosen
        Show, // loaded, not remembered
        Remember, // loaded and remembered as the last folder
        Refresh, // the folder shown, again: one gone since is simply empty
    };
    bool IsClosed() const { return loadState_ == LoadState::Closed; }
    // The status bar's panels, left to right.
    enum class StatusPanel { Badge, Count, Path };
    QLabel* Panel(StatusPanel which) const { return panels_[static_cast<int>(which)]; }

    void BuildControls();
    void BuildStatusBar();
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload();
    void Form_Unload();
    void filHidden_PathChange();
    void chkThumb_Click(int index);
    void chkThumb_MouseUp(int index, Qt::MouseButton button, QPoint globalPos);
    void ToggleCell(int index, Qt::KeyboardModifiers modifiers);
    void SetValue(int index, int value);
    void SetEveryValue(int value);
    void SelectAll();
    void DeleteSelected();
    void RenameSelected();
    void SlideShowSelected();
    void ShowAbout();
    void ShowHelp();
    void BuildContextMenu();
    void mnuView_Click();
    void mnuWallpaper_Click();
    void picFrame_MouseUp(Qt::MouseButton button, QPoint globalPos);
    void mnuEveryType_Click(bool checked);
    void SetWallpaper();
    void ScrollIntoView(const QRect& rect);
    QString MenuFile() const;
    void Inform(const QString& text);
    void vsbSlide_Change();
    bool ScrollByKey(int key);
    QRect ProgressArea() const;
    void BeginProgress();
    void StepProgress(int index);
    bool StartLoad(const QString& path, LoadPurpose purpose);
    void folderLoad_Listed(const FolderListing& listing);
    void AnnounceActivation();
    void folderLoad_TilesReady();
    void LoadListedFiles(bool remote);
    void AddCell(int index, const QString& name, core::CompactTile tile);
    void EndLoad();
    void FinishLoad();
    void ShowCells();
    void FocusStartPicture();
    void ResetCells();
    QString FitCaption(const QString& name) const;

    app::Module1& module1_;
    FileList filHidden;
    QString SourcePath_;
    std::vector<ThumbCell> chkThumb;
    // How many cells are ticked, kept as ticks change: the toolbar asks after every change.
    int tickedCount_ = 0;
    // While SetEveryValue runs: the last cell it changed, whose click handling shows it.
    bool settingEveryValue_ = false;
    int lastChanged_ = -1;

    MainToolbar* toolbar_ = nullptr;
    QWidget* picFrame = nullptr;
    QScrollBar* vsbSlide = nullptr;
    ThumbGrid* picSlide = nullptr;
    ProgressDisplay* picProgress = nullptr;
    QLabel* panels_[3] = {};
    QMenu* mnuMenu = nullptr;
    QMenu* mnuTypes = nullptr;
    // The other windows: each made on first use and kept, as a child, for the rest of the run.
    rename::frmRename* frmRename_ = nullptr;
    slideshow::frmSlideShow* frmSlideShow_ = nullptr;
    about::frmAbout* frmAbout_ = nullptr;
    int MenuIndex_ = 0;
    // The desktop may take a while to answer; a second request meanwhile is not started.
    bool settingWallpaper_ = false;
    bool deleting_ = false; // a Delete runs on its worker; another is not started meanwhile
    int anchorIndex_ = -1; // the last clicked cell, where a Shift+click range starts

    bool Activated = false; // the first activation has been handled; loads may come before it
    bool activationPending_ = false; // its folder is still loading
    LoadState loadState_ = LoadState::Idle;
    LoadPurpose loadPurpose_ = LoadPurpose::Show;
    quint64 loadId_ = 0; // counts loads started, so a step can tell it was overtaken
    bool loadEveryType_ = false; // the load lists and shows every picture type
    int takenTiles_ = 0; // files of the listing whose tile (or failure) has come in
    int madeCells_ = 0;
    std::optional<app::BusyPointer> busy_; // while a load runs

    QString startFolder_;
    QString startPicture_; // kept in view until the user acts on the grid or leaves its folder
    WindowPlacement placement_;
    std::unique_ptr<ThumbnailCacheWriter> cacheWriter_;
    std::unique_ptr<TileStore> tiles_;
    // After the cache writer: it goes first, and waits for the workers that write to it.
    std::unique_ptr<FolderLoad> folderLoad_;
};

} // namespace gb::browser
