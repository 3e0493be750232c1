#pragma once

#include "core/window_position.h"
#include "module1/settings.h"

#include <QEvent>
#include <QMargins>
#include <QRect>
#include <QString>
#include <optional>

class QWidget;

namespace gb::browser {

// The main window's outer placement (frame included) as a person leaves it: restored from the
// stored twips before the window is shown, and read back when it closes.
//
// Only the client area can be sized, and the window manager adds its frame after mapping the
// window, so the frame's top-left corner is asked for at once and the client area is sized again
// once, the first time the window is in the normal state with its frame known (after mapping, or
// after the first restore of a window that started maximised) — unless the window manager has
// given it a size of its own by then, which then stays.
class WindowPlacement {
public:
    static constexpr QSize kDesignedClientSize { 580, 338 };
    static constexpr QSize kMinimumOuterSize { 600, 285 };

    // `reportsPosition`: whether the platform tells a window where it is. A Wayland compositor
    // never does (Qt then says 0, 0): there the stored position is kept and only the size is
    // stored anew.
    WindowPlacement(QWidget& window, int twipsPerPixelX, int twipsPerPixelY,
        bool reportsPosition = PlatformReportsPosition());
    static bool PlatformReportsPosition();

    // Places the hidden window for a stored "Left, Top, Width, Height" (twips, may be empty or
    // hand-edited) and maximises it when asked; its normal placement is the stored one.
    void Restore(const QString& stored, bool maximized);
    void Restore(const app::Settings::StoredPlacement& stored)
    {
        Restore(stored.windowPosition, stored.maximized);
    }
    // Follows the window through its framing and state changes: given every event it gets.
    void Follow(QEvent::Type type);
    // The outer placement, in twips, to store now; none when the window is not in the normal
    // state. What the person sees, or what was asked while the window manager has not yet shown
    // the window framed.
    std::optional<core::WindowPlacement> ToStore() const;
    // What the settings keep of it: that placement ("" when there is none) and whether the
    // window is maximised.
    app::Settings::StoredPlacement ToSettings() const;
    // Holds the outer window at its minimum size, whatever the frame's size.
    void KeepMinimumSize();

private:
    QRect Wanted(const QMargins& frame) const;
    void Correct(const QMargins& frame);

    QWidget& window_;
    int twipsX_;
    int twipsY_;
    bool reportsPosition_;
    QString stored_;
    QRect wanted_; // where the frame is to go, in pixels
    QSize placedSize_; // the client size given before the frame was known
    // The window has been seen framed in the normal state: it now shows what is to be stored.
    bool settled_ = false;
};

} // namespace gb::browser
