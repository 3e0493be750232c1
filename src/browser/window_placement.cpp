#include "browser/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace gb::browser {

namespace {
    constexpr int kLargestWindowSide = 16384; // hand-edited settings may ask for anything

    bool IsNormal(const QWidget& window)
    {
        return !(window.windowState()
            & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    }
} // namespace

WindowPlacement::WindowPlacement(
    QWidget& window, int twipsPerPixelX, int twipsPerPixelY, bool reportsPosition)
    : window_(window)
    , twipsX_(twipsPerPixelX)
    , twipsY_(twipsPerPixelY)
    , reportsPosition_(reportsPosition)
{
}

bool WindowPlacement::PlatformReportsPosition()
{
    // "wayland", "wayland-egl" …
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void WindowPlacement::Restore(const QString& stored, bool maximized)
{
    stored_ = stored;
    settled_ = false;
    // Moving a window not yet shown places its frame's corner, wherever the frame comes to be.
    wanted_ = Wanted(QMargins());
    window_.setMinimumSize(kMinimumOuterSize);
    window_.move(wanted_.topLeft());
    window_.resize(wanted_.size());
    placedSize_ = window_.size();
    if (maximized)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

void WindowPlacement::Follow(QEvent::Type type)
{
    const bool placing = type == QEvent::Move || type == QEvent::Resize
        || type == QEvent::WindowStateChange || type == QEvent::WindowActivate;
    const QWindow* handle = window_.windowHandle();
    if (settled_ || !placing || !handle || !window_.isVisible() || !IsNormal(window_))
        return;
    // The native window's size, which is up to date where the widget's may lag behind a change
    // of state.
    const QMargins frame = handle->frameMargins();
    if (!frame.isNull() && handle->size() == placedSize_) {
        settled_ = true;
        Correct(frame);
    } else {
        // No frame the window can know of, or a size of the window manager's own (restoring from
        // maximised may move the window before resizing it): once the window manager has
        // activated the window, what it shows stays.
        settled_ = type == QEvent::WindowActivate;
    }
}

void WindowPlacement::Correct(const QMargins& frame)
{
    wanted_ = Wanted(frame);
    // The minimum first: the old one, taken without the frame, would hold the client area too
    // large by the frame.
    window_.setMinimumSize(kMinimumOuterSize.shrunkBy(frame));
    // The client area's own rectangle: after a change of state the widget may still hold the
    // frame it had before, which a move would count in.
    window_.setGeometry(wanted_.marginsRemoved(frame));
}

std::optional<core::WindowPlacement> WindowPlacement::ToStore() const
{
    if (!IsNormal(window_))
        return std::nullopt;
    const QRect outer = settled_ ? window_.frameGeometry() : wanted_;
    core::WindowPlacement twips { outer.x() * twipsX_, outer.y() * twipsY_, outer.width() * twipsX_,
        outer.height() * twipsY_ };
    if (!reportsPosition_) {
        // The position as stored, or as first asked for when none was.
        const core::WindowPlacement kept = core::ParseWindowPosition(
            stored_, { wanted_.x() * twipsX_, wanted_.y() * twipsY_, 0, 0 });
        twips.left = kept.left;
        twips.top = kept.top;
    }
    return twips;
}

void WindowPlacement::KeepMinimumSize()
{
    // The frame as the native window has it now: the widget may still hold the maximised one
    // just after a restore, which may differ.
    if (!IsNormal(window_))
        return;
    const QWindow* handle = window_.windowHandle();
    const QSize minimum = kMinimumOuterSize.shrunkBy(handle ? handle->frameMargins() : QMargins());
    if (window_.minimumSize() != minimum)
        window_.setMinimumSize(minimum);
}

QRect WindowPlacement::Wanted(const QMargins& frame) const
{
    // Without a stored placement the window opens whole, frame included, in the middle of the
    // primary screen's free area.
    const QSize designedSize = kDesignedClientSize.grownBy(frame).expandedTo(kMinimumOuterSize);
    QRect designed(QPoint(), designedSize);
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        designed.moveCenter(primary->availableGeometry().center());
    const core::WindowPlacement twips = core::ParseWindowPosition(stored_,
        { designed.x() * twipsX_, designed.y() * twipsY_, designed.width() * twipsX_,
            designed.height() * twipsY_ });

    const auto toPixels = [](int value, int perPixel) {
        return std::clamp(
            qRound(value / double(perPixel)), -kLargestWindowSide, kLargestWindowSide);
    };
    // Never below the window's minimum size, which the window system would enforce anyway.
    const QRect outer(toPixels(twips.left, twipsX_), toPixels(twips.top, twipsY_),
        std::max(kMinimumOuterSize.width(), toPixels(twips.width, twipsX_)),
        std::max(kMinimumOuterSize.height(), toPixels(twips.height, twipsY_)));
    // A monitor gone, a smaller desktop or a hand-edited file must not leave the title bar where
    // nobody can reach it.
    QList<QRect> screens;
    for (const QScreen* each : QGuiApplication::screens())
        screens << each->availableGeometry();
    return core::KeepReachable(outer, screens);
}

app::Settings::StoredPlacement WindowPlacement::ToSettings() const
{
    const std::optional<core::WindowPlacement> twips = ToStore();
    const Qt::WindowStates state = window_.windowState();
    return { twips ? core::FormatWindowPosition(*twips) : QString(),
        (state & Qt::WindowMaximized) && !(state & Qt::WindowMinimized) };
}

} // namespace gb::browser
