#include "browser/frm_thumbs.h"

#include "browser/context_menus.h"
#include "browser/delete_command.h"
#include "browser/main_status_bar.h"
#include "browser/secondary_windows.h"
#include "browser/thumb_grid.h"
#include "browser/thumb_viewport.h"
#include "browser/tile_store.h"
#include "browser/toolbar_icons.h"
#include "browser/wallpaper_command.h"
#include "module1/module1.h"
#include "module1/settings.h"
#include "platform/app_info.h"

#include <QCloseEvent>
#include <QTimer>
#include <QToolBar>

namespace gb::browser {

namespace {
    constexpr QSize kDesignedClientSize = WindowPlacement::kDesignedClientSize;
    // A load that ends within this shows its grid once, complete; a longer one shows its cells
    // as they arrive.
    constexpr int kRevealMs = 1000;
} // namespace

frmThumbs::frmThumbs(app::Module1& module1, QWidget* parent)
    : QMainWindow(parent)
    , module1_(module1)
    , tiles_(std::make_unique<TileStore>(chkThumb, module1.Services().scratch))
    , loader_(std::make_unique<FolderLoader>(module1, chkThumb))
    , placement_(*this, module1.Services().appInfo.TwipsPerPixelX(),
          module1.Services().appInfo.TwipsPerPixelY())
{
    setObjectName(QStringLiteral("frmThumbs"));
    setWindowTitle(QStringLiteral("Glimmerbox"));
    setWindowIcon(ApplicationIcon());
    connect(loader_.get(), &FolderLoader::OpenFailed, this, &frmThumbs::loader_OpenFailed);
    connect(loader_.get(), &FolderLoader::Listed, this, &frmThumbs::loader_Listed);
    connect(loader_.get(), &FolderLoader::Began, this, &frmThumbs::loader_Began);
    connect(loader_.get(), &FolderLoader::Stepped, this, &frmThumbs::StepProgress);
    connect(loader_.get(), &FolderLoader::Finished, this, &frmThumbs::loader_Finished);
    connect(loader_.get(), &FolderLoader::Updated, this, &frmThumbs::loader_Updated);
    connect(&chkThumb, &CellModel::ValuesChanged, this,
        [this](int, int, int lastChanged) { chkThumb_Click(lastChanged); });
    windows_ = new SecondaryWindows(module1_, *this);
    delete_ = new DeleteCommand(module1_.Services().files, this);
    connect(delete_, &DeleteCommand::Finished, this, &frmThumbs::delete_Finished);
    wallpaper_ = new WallpaperCommand(module1_.Services(), this);
    connect(wallpaper_, &WallpaperCommand::Finished, this, [this](const QString& error) {
        if (!error.isEmpty())
            Inform(error);
        Q_EMIT WallpaperRequestEnded();
    });
    BuildControls();
    Form_Load();
}

// The grid goes before the cells it shows.
frmThumbs::~frmThumbs() { delete picFrame; }

void frmThumbs::BuildControls()
{
    toolbar_ = new MainToolbar(addToolBar(QStringLiteral("Main")));
    connect(toolbar_, &MainToolbar::ButtonClicked, this, &frmThumbs::tbrMain_ButtonClick);
    // The keys people expect, each its button's beside its Alt letter: they act only while it
    // is enabled.
    for (const auto& [key, extra] : { std::pair { "Delete", QKeySequence(QKeySequence::Delete) },
             { "Refresh", QKeySequence(Qt::Key_F5) }, { "Rename", QKeySequence(Qt::Key_F2) } }) {
        QAction* button = toolbar_->Button(key);
        button->setShortcuts({ button->shortcut(), extra });
    }

    picFrame = new ThumbViewport(chkThumb, this);
    setCentralWidget(picFrame);
    ThumbGrid& grid = picFrame->Grid();
    connect(&grid, &ThumbGrid::CellClicked, this, &frmThumbs::ToggleCell);
    connect(&grid, &ThumbGrid::CellMouseUp, this, &frmThumbs::chkThumb_MouseUp);
    connect(&grid, &ThumbGrid::SelectAllRequested, this, &frmThumbs::SelectAll);
    connect(&grid, &ThumbGrid::CellActivated, this, &frmThumbs::ShowSlidesFrom);
    connect(&grid, &ThumbGrid::CellDoubleClicked, this, &frmThumbs::chkThumb_DblClick);
    connect(&grid, &ThumbGrid::Showing, tiles_.get(), &TileStore::Showing);
    // Cells arriving into a grid on show can be ticked and selected at once.
    connect(&grid, &ThumbGrid::PlacesChanged, this, [this] {
        if (!Grid().isHidden())
            UpdateToolbar();
    });
    tmrReveal = new QTimer(this);
    tmrReveal->setObjectName(QStringLiteral("tmrReveal"));
    tmrReveal->setSingleShot(true);
    tmrReveal->setInterval(kRevealMs);
    connect(tmrReveal, &QTimer::timeout, this, &frmThumbs::tmrReveal_Timer);
    connect(picFrame, &ThumbViewport::EmptyAreaMouseUp, this, &frmThumbs::picFrame_MouseUp);
    // Until the person takes over, the picture the program was opened on stays in view through
    // the resizes of a window manager settling the new window.
    connect(picFrame, &ThumbViewport::Resized, this, [this] {
        placement_.KeepMinimumSize();
        start_.Focus(Grid(), chkThumb, SourcePath());
    });
    connect(picFrame, &ThumbViewport::UserTookOver, this, [this] { start_.Forget(); });
    menus_ = new ContextMenus(*this);
    connect(menus_, &ContextMenus::mnuView_Click, this, &frmThumbs::mnuView_Click);
    connect(menus_, &ContextMenus::mnuWallpaper_Click, this, &frmThumbs::mnuWallpaper_Click);
    connect(menus_, &ContextMenus::mnuEveryType_Click, this, &frmThumbs::mnuEveryType_Click);
    connect(menus_, &ContextMenus::mnuOptions_Click, this, &frmThumbs::mnuOptions_Click);

    sbrMain = new MainStatusBar(*this);
    resize(kDesignedClientSize);
    UpdateToolbar();
}

QString frmThumbs::PanelText(int panel) const { return sbrMain->Text(panel); }

ThumbGrid& frmThumbs::Grid() const { return picFrame->Grid(); }
QScrollBar& frmThumbs::ScrollBar() const { return picFrame->ScrollBar(); }
QWidget& frmThumbs::Viewport() const { return *picFrame; }
ProgressDisplay& frmThumbs::Progress() const { return sbrMain->Progress(); }
rename::frmRename* frmThumbs::RenameWindow() const { return windows_->RenameWindow(); }
about::frmAbout* frmThumbs::AboutWindow() const { return windows_->AboutWindow(); }

// ---- Life of the window ----------------------------------------------------------------------

void frmThumbs::Form_Load() { placement_.Restore(app::Settings(module1_).Placement()); }

void frmThumbs::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!start_.Activated())
        QTimer::singleShot(0, this, &frmThumbs::Form_Activate);
}

bool frmThumbs::event(QEvent* event)
{
    const QEvent::Type type = event->type();
    placement_.Follow(type);
    if (type == QEvent::WindowActivate && !start_.Activated())
        QTimer::singleShot(0, this, &frmThumbs::Form_Activate);
    const bool handled = QMainWindow::event(event);
    if (type == QEvent::Resize && sbrMain)
        sbrMain->FollowResize();
    return handled;
}

void frmThumbs::Form_Activate()
{
    if (loader_->IsClosed() || !start_.BeginActivation())
        return;
    // A folder opened before the window first showed is the one shown.
    if (!loader_->HasStarted()) {
        Grid().hide();
        if (start_.Folder().isEmpty())
            ChooseSourceFolder(true);
        else
            StartLoad(start_.Folder(), FolderLoader::Purpose::Start);
    }
    AnnounceActivation();
}

void frmThumbs::closeEvent(QCloseEvent* event)
{
    // Closing is never refused; a load in progress is dropped.
    Form_Unload();
    event->accept();
}

void frmThumbs::Form_Unload()
{
    if (loader_->IsClosed())
        return;
    sbrMain->EndProgress();
    loader_->Close();
    app::Settings(module1_).SetPlacement(placement_.ToSettings());
}

// ---- Layout ----------------------------------------------------------------------------------

void frmThumbs::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        Form_Resize();
}

void frmThumbs::Form_Resize()
{
    if (isMinimized())
        return;
    placement_.KeepMinimumSize();
    picFrame->LayOut();
}

void frmThumbs::UpdateToolbar() { toolbar_->FollowCells(chkThumb.TickedCount(), chkThumb.Count()); }

} // namespace gb::browser
