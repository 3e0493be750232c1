#include "browser/frm_thumbs.h"

#include "browser/elided_label.h"
#include "browser/folder_load.h"
#include "browser/main_toolbar.h"
#include "browser/progress_display.h"
#include "browser/thumb_grid.h"
#include "browser/thumbnail_cache_writer.h"
#include "browser/tile_store.h"
#include "browser/toolbar_icons.h"
#include "core/grid_layout.h"
#include "core/window_position.h"
#include "module1/module1.h"
#include "platform/app_info.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <cmath>

namespace gb::browser {

namespace {
    constexpr QSize kDesignedClientSize = WindowPlacement::kDesignedClientSize;
    constexpr int kCountPanelWidth = 110;
} // namespace

frmThumbs::frmThumbs(app::Module1& module1, QWidget* parent)
    : QMainWindow(parent)
    , module1_(module1)
    , placement_(*this, module1.Services().appInfo.TwipsPerPixelX(),
          module1.Services().appInfo.TwipsPerPixelY())
{
    setObjectName(QStringLiteral("frmThumbs"));
    setWindowTitle(QStringLiteral("Glimmerbox"));
    setWindowIcon(ApplicationIcon());
    chkThumb.resize(1);
    cacheWriter_ = std::make_unique<ThumbnailCacheWriter>(module1_.Services().thumbnails);
    tiles_ = std::make_unique<TileStore>(chkThumb, module1_.Services().scratch);
    folderLoad_ = std::make_unique<FolderLoad>();
    connect(folderLoad_.get(), &FolderLoad::Listed, this, &frmThumbs::folderLoad_Listed);
    connect(folderLoad_.get(), &FolderLoad::TilesReady, this, &frmThumbs::folderLoad_TilesReady);
    BuildControls();
    Form_Load();
}

frmThumbs::~frmThumbs() = default;

void frmThumbs::BuildControls()
{
    toolbar_ = new MainToolbar(addToolBar(QStringLiteral("Main")));
    connect(toolbar_, &MainToolbar::ButtonClicked, this, &frmThumbs::tbrMain_ButtonClick);

    // The grid is the window's one keyboard stop: the viewport around it and the scroll bar
    // never take the focus, so no Tab lands where nothing shows it. The scrolling keys the grid
    // leaves reach the viewport's filter all the same.
    picFrame = new QWidget(this);
    picFrame->setObjectName(QStringLiteral("picFrame"));
    picFrame->setFocusPolicy(Qt::NoFocus);
    picFrame->installEventFilter(this);
    setCentralWidget(picFrame);

    vsbSlide = new QScrollBar(Qt::Vertical, picFrame);
    vsbSlide->setObjectName(QStringLiteral("vsbSlide"));
    vsbSlide->setAccessibleName(QStringLiteral("Scroll Thumbnails"));
    vsbSlide->setFocusPolicy(Qt::NoFocus);
    vsbSlide->resize(vsbSlide->sizeHint().width(), vsbSlide->height());
    connect(vsbSlide, &QScrollBar::valueChanged, this, &frmThumbs::vsbSlide_Change);

    picSlide = new ThumbGrid(chkThumb, picFrame);
    picSlide->setAccessibleName(QStringLiteral("Thumbnails"));
    picSlide->installEventFilter(this);
    connect(picSlide, &ThumbGrid::CellClicked, this, &frmThumbs::ToggleCell);
    connect(picSlide, &ThumbGrid::CellMouseUp, this, &frmThumbs::chkThumb_MouseUp);
    connect(picSlide, &ThumbGrid::SelectAllRequested, this, &frmThumbs::SelectAll);
    connect(picSlide, &ThumbGrid::EnsureVisibleRequested, this, &frmThumbs::ScrollIntoView);
    connect(picSlide, &ThumbGrid::Showing, tiles_.get(), &TileStore::Showing);
    connect(tiles_.get(), &TileStore::Fetched, picSlide, qOverload<>(&QWidget::update));
    BuildContextMenu();

    BuildStatusBar();
    picProgress = new ProgressDisplay(this);
    resize(kDesignedClientSize);
    UpdateToolbar();
}

void frmThumbs::BuildStatusBar()
{
    QStatusBar* sbrMain = statusBar();
    sbrMain->setObjectName(QStringLiteral("sbrMain"));
    sbrMain->setAccessibleName(QStringLiteral("Status"));
    for (int i = 0; i < 3; ++i) {
        panels_[i] = i == static_cast<int>(StatusPanel::Path) ? new ElidedLabel(sbrMain)
                                                              : new QLabel(sbrMain);
        panels_[i]->setObjectName(QStringLiteral("sbrMainPanel%1").arg(i + 1));
    }
    Panel(StatusPanel::Badge)->setPixmap(StatusBarBadge());
    Panel(StatusPanel::Badge)->setAccessibleName(QStringLiteral("Glimmerbox"));
    // The two text panels are read by their text; what they stand for is their description.
    Panel(StatusPanel::Count)->setAccessibleDescription(QStringLiteral("Files in the folder"));
    Panel(StatusPanel::Path)->setAccessibleDescription(QStringLiteral("Folder or ticked file"));
    Panel(StatusPanel::Count)->setMinimumWidth(kCountPanelWidth);
    Panel(StatusPanel::Count)->setText(QStringLiteral("File(s): 0"));
    Panel(StatusPanel::Path)->setTextFormat(Qt::PlainText);
    sbrMain->addWidget(Panel(StatusPanel::Badge));
    sbrMain->addWidget(Panel(StatusPanel::Count));
    sbrMain->addWidget(Panel(StatusPanel::Path), 1);
}

QString frmThumbs::PanelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

// ---- Life of the window ----------------------------------------------------------------------

void frmThumbs::Form_Load()
{
    const QString maximized = module1_.ReadSetting("Main", "Maximized", "False");
    placement_.Restore(module1_.ReadSetting("Main", "Window Position", ""),
        core::ParseBoolean(maximized).value_or(false));
}

void frmThumbs::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!Activated)
        QTimer::singleShot(0, this, &frmThumbs::Form_Activate);
}

bool frmThumbs::event(QEvent* event)
{
    const QEvent::Type type = event->type();
    placement_.Follow(type);
    if (type == QEvent::WindowActivate && !Activated)
        QTimer::singleShot(0, this, &frmThumbs::Form_Activate);
    const bool handled = QMainWindow::event(event);
    // The progress display covers the status bar's path panel, wherever a resize moved it.
    if (type == QEvent::Resize && picProgress && picProgress->isVisible())
        picProgress->setGeometry(ProgressArea());
    return handled;
}

void frmThumbs::Form_Activate()
{
    if (Activated || IsClosed())
        return;
    Activated = true;
    activationPending_ = true;
    // A folder opened before the window first showed is the one shown.
    if (loadId_ == 0) {
        picSlide->hide();
        if (startFolder_.isEmpty())
            ChooseSourceFolder(true);
        else
            StartLoad(startFolder_, LoadPurpose::Start);
    }
    AnnounceActivation();
}

bool frmThumbs::IsBackgroundIdle() const { return folderLoad_->IsIdle(); }

void frmThumbs::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
}

void frmThumbs::Form_QueryUnload()
{
    // Closing is never refused; a load in progress is dropped.
    Form_Unload();
}

void frmThumbs::Form_Unload()
{
    if (IsClosed())
        return;
    if (IsLoading())
        EndLoad();
    loadState_ = LoadState::Closed;
    folderLoad_->Stop();
    chkThumb.resize(1);
    tiles_->Reset();
    tickedCount_ = chkThumb[0].Value != 0 ? 1 : 0;
    if (const std::optional<core::WindowPlacement> twips = placement_.ToStore())
        module1_.WriteSetting("Main", "Window Position", core::FormatWindowPosition(*twips));
    const Qt::WindowStates state = windowState();
    const bool maximized = (state & Qt::WindowMaximized) && !(state & Qt::WindowMinimized);
    module1_.WriteSetting("Main", "Maximized", maximized ? "True" : "False");
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

    const QSize inner = picFrame->size();
    const int barWidth = vsbSlide->width();
    vsbSlide->setGeometry(inner.width() - barWidth, 0, barWidth, inner.height());
    const core::GridLayout layout = core::ComputeGridLayout(
        inner, barWidth, kThumbCellSize, static_cast<int>(chkThumb.size()));
    for (size_t i = 0; i < chkThumb.size(); ++i)
        chkThumb[i].Position = layout.CellPosition(static_cast<int>(i));
    picSlide->setGeometry(0, 0, std::max(0, inner.width() - barWidth), inner.height());
    picSlide->SetLayout(layout);

    // Every layout starts again at the top of the grid.
    vsbSlide->setValue(0);
    vsbSlide_Change();
    vsbSlide->setMaximum(layout.scrollMax);
    vsbSlide->setEnabled(layout.scrollEnabled);
    if (layout.scrollEnabled) {
        vsbSlide->setSingleStep(layout.smallChange);
        vsbSlide->setPageStep(layout.largeChange);
    }
}

bool frmThumbs::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == picFrame && type == QEvent::Resize) {
        Form_Resize();
        // Until the user takes over, the picture the program was opened on stays in view
        // through the resizes of a window manager settling the new window.
        FocusStartPicture();
    }
    if (watched == picSlide
        && (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel))
        startPicture_.clear(); // the user takes over
    if (watched == picSlide && type == QEvent::Wheel && vsbSlide->isEnabled()) {
        QCoreApplication::sendEvent(vsbSlide, event);
        return true;
    }
    if (watched == picFrame && type == QEvent::KeyPress)
        return ScrollByKey(static_cast<QKeyEvent*>(event)->key());
    if (watched == picFrame && type == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        picFrame_MouseUp(mouse->button(), mouse->globalPosition().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmThumbs::ScrollByKey(int key)
{
    // The arrows move the grid's focus instead; the grid brings its focus along as these
    // scroll.
    static const QHash<int, QAbstractSlider::SliderAction> kActions {
        { Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub },
        { Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd },
        { Qt::Key_Home, QAbstractSlider::SliderToMinimum },
        { Qt::Key_End, QAbstractSlider::SliderToMaximum },
    };
    const auto action = kActions.find(key);
    if (action == kActions.end())
        return false;
    if (vsbSlide->isEnabled())
        vsbSlide->triggerAction(action.value());
    return true;
}

void frmThumbs::vsbSlide_Change()
{
    picSlide->SetScroll(vsbSlide->value());
    // After a scroll the keyboard is on the grid, whose focus mark followed the view; while a
    // load hides the grid nothing holds the keyboard.
    if (picSlide->isVisible())
        picSlide->setFocus();
}

void frmThumbs::ScrollIntoView(const QRect& rect)
{
    if (rect.top() < 0)
        vsbSlide->setValue(vsbSlide->value() + rect.top());
    else if (rect.bottom() >= picSlide->height())
        vsbSlide->setValue(vsbSlide->value() + rect.bottom() - picSlide->height() + 1);
}

// ---- Toolbar and ticks -----------------------------------------------------------------------

void frmThumbs::UpdateToolbar()
{
    static const QString kSelectionKeys[]
        = { QStringLiteral("Delete"), QStringLiteral("Rename"), QStringLiteral("Slideshow") };
    static const QString kSelectAllKey = QStringLiteral("SelectAll");
    for (const QString& key : kSelectionKeys)
        toolbar_->SetEnabled(key, tickedCount_ > 0);
    toolbar_->SetEnabled(kSelectAllKey, chkThumb.size() > 1);
}

} // namespace gb::browser
