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

WindowPlacement::WindowPlacement(QWidget& window, int twipsPerPixelX, int twipsPerPixelY)
    : window_(window)
    , twipsX_(twipsPerPixelX)
    , twipsY_(twipsPerPixelY)
{
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
    placed_ = QRect(window_.pos(), window_.size());
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
    // The native window's geometry, which changes all at once where the widget takes a move and
    // a resize in turn.
    const QMargins frame = handle->frameMargins();
    if (frame.isNull()) {
        // A window system that draws no frame the window knows of has shown it as it is by the
        // time it activates the window.
        settled_ = type == QEvent::WindowActivate;
        return;
    }
    if (handle->framePosition() == placed_.topLeft() && handle->size() == placed_.size()) {
        settled_ = true;
        Correct(frame);
    } else {
        // Moved or resized by the window manager or the person before the frame was known: what
        // is shown stays. A change of state can come before the geometry that goes with it.
        settled_ = type != QEvent::WindowStateChange;
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
    return core::WindowPlacement { outer.x() * twipsX_, outer.y() * twipsY_,
        outer.width() * twipsX_, outer.height() * twipsY_ };
}

void WindowPlacement::KeepMinimumSize()
{
    const QSize minimum = kMinimumOuterSize.shrunkBy(Frame());
    if (window_.minimumSize() != minimum)
        window_.setMinimumSize(minimum);
}

QMargins WindowPlacement::Frame() const
{
    const QRect outer = window_.frameGeometry();
    const QRect inner = window_.geometry();
    return { inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
        outer.bottom() - inner.bottom() };
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

} // namespace gb::browser
