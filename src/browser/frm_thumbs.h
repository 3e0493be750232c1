#pragma once

#include "browser/cell_model.h"
#include "browser/folder_loader.h"
#include "browser/main_toolbar.h"
#include "browser/start_picture.h"
#include "browser/window_placement.h"
#include "core/files_dictionary.h"

#include <QMainWindow>
#include <memory>

class QMenu;
class QScrollBar;
class QTimer;

namespace gb::app {
class Module1;
}
namespace gb::rename {
class frmRename;
}
namespace gb::about {
class frmAbout;
}

namespace gb::browser {

class ContextMenus;
class DeleteCommand;
class MainStatusBar;
class ProgressDisplay;
class SecondaryWindows;
class ThumbGrid;
class ThumbViewport;
class TileStore;
class WallpaperCommand;

// The main window: the thumbnail grid of one source folder, its toolbar and status bar. The
// cells belong to the cell model; the loader fills it, the grid shows it, and the commands act
// on it.
class frmThumbs : public QMainWindow {
    Q_OBJECT
public:
    explicit frmThumbs(app::Module1& module1, QWidget* parent = nullptr);
    ~frmThumbs() override;

    // A folder to open at the first activation instead of the remembered one; or a picture, whose
    // folder is opened with the keyboard's focus on it (the file the program was opened with).
    void SetStartFolder(const QString& folderOrPicture) { start_.SetFolder(folderOrPicture); }
    // Further pictures opened with the start one: those of its folder are ticked once loaded.
    void SetAlsoOpened(const QStringList& pictures) { start_.SetAlsoOpened(pictures); }

    // Loads `folder` and remembers it. The load runs on while this returns: LoadFinished follows,
    // or LoadFailed when the folder cannot be opened (nothing changed then). False when the
    // window is closed and loads no more.
    bool OpenSourceFolder(const QString& folder);
    // Loads `folder`, remembering it only when asked; as OpenSourceFolder.
    bool LoadFolder(const QString& folder, bool remember = false);
    void ChooseSourceFolder(bool useRemembered);
    // Lists the folder shown again and loads it.
    void LoadThumbnails();
    bool IsLoading() const { return loader_->IsLoading(); }

    // What the window shows, for the contact sheet and for tests.
    const std::vector<ThumbCell>& Cells() const { return chkThumb.Cells(); }
    QString SourcePath() const { return loader_->SourcePath(); }
    QString PanelText(int panel) const;
    MainToolbar& Toolbar() const { return *toolbar_; }
    ThumbGrid& Grid() const;
    QScrollBar& ScrollBar() const;
    QWidget& Viewport() const;
    ProgressDisplay& Progress() const;
    // Where the cells' pictures are kept: in memory up to a budget, the rest on the disk.
    TileStore& Tiles() const { return *tiles_; }

    void UpdateToolbar();
    void Form_Resize();

    // The rename window and the About window, once their commands have made them.
    rename::frmRename* RenameWindow() const;
    about::frmAbout* AboutWindow() const;

    // A new dictionary of the ticked cells' files, in cell order.
    core::FilesPtr GetSelectedFiles() const;
    // The cell the context menu acts on: where a mouse button was last released.
    int MenuIndex() const { return MenuIndex_; }
    QMenu& ContextMenu() const;
    // The menu of the grid's empty area (a right click outside every cell): which types show.
    QMenu& TypesMenu() const;
    void tbrMain_ButtonClick(ToolbarCommand command);

Q_SIGNALS:
    // Every load has ended (also an empty one, after its message).
    void LoadFinished();
    // A folder to load could not be opened (`why` ends the sentence: "it does not exist").
    void LoadFailed(const QString& why);
    // The first activation has been handled (its folder loaded, or nothing to load).
    void FirstActivationDone();
    // A Set as Wallpaper request has ended, however it went.
    void WallpaperRequestEnded();
    // The folder watched changed, and the cells followed.
    void CellsFollowedFolder();
    // A load is about to show the progress step `percent` for `name`.
    void ProgressStepped(int percent, const QString& name);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void filHidden_PathChange();
    void chkThumb_Click(int index);
    void chkThumb_MouseUp(int index, Qt::MouseButton button, QPoint globalPos);
    void ToggleCell(int index, Qt::KeyboardModifiers modifiers);
    void SetEveryValue(int value);
    void SelectAll();
    void DeleteSelected();
    void delete_Finished(const QStringList& failures, const QStringList& untrashed);
    void mnuView_Click();
    void mnuWallpaper_Click();
    void picFrame_MouseUp(Qt::MouseButton button, QPoint globalPos);
    void mnuEveryType_Click(bool checked);
    void mnuOptions_Click();
    void chkThumb_DblClick(int index);
    void ShowSlidesFrom(int index);
    QString MenuFile() const;
    void Inform(const QString& text);
    bool StartLoad(const QString& path, FolderLoader::Purpose purpose);
    void loader_OpenFailed(const FolderListing& listing);
    void loader_Listed(const FolderListing& listing);
    void loader_Began();
    void loader_Finished();
    void loader_Updated();
    void StepProgress(int index);
    void AnnounceActivation();
    void ShowCells();
    void TickStartPictures();
    void tmrReveal_Timer();
    // The cells shown are the folder's own: no load runs, or the one running is making them.
    bool CellsInHand() const { return !IsLoading() || loader_->IsMakingCells(); }

    app::Module1& module1_;
    CellModel chkThumb;
    std::unique_ptr<TileStore> tiles_;
    std::unique_ptr<FolderLoader> loader_;
    MainToolbar* toolbar_ = nullptr;
    ThumbViewport* picFrame = nullptr;
    MainStatusBar* sbrMain = nullptr;
    ContextMenus* menus_ = nullptr;
    SecondaryWindows* windows_ = nullptr; // rename, slide show and About, each made on first use
    DeleteCommand* delete_ = nullptr;
    WallpaperCommand* wallpaper_ = nullptr;
    int MenuIndex_ = 0;
    // The last single click on a cell, which a double-click puts back: the cell (-1: none, or
    // a range), its tick and the path shown before.
    struct Click {
        int index = -1;
        int value = 0;
        QString path;
    } lastClick_;
    QTimer* tmrReveal = nullptr; // a load still running when it fires shows its cells as they come
    StartPicture start_;
    WindowPlacement placement_;
};

} // namespace gb::browser
