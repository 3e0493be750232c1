#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <optional>

namespace gb::core {

// A window's outer placement in twips. Four plain numbers rather than a QRect: hand-edited
// values may be anywhere in the 32-bit range, where QRect's edge arithmetic would overflow.
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Reads a stored "Left, Top, Width, Height" placement (twips, joined by comma and blank) over
// `current`: entries beyond the fourth are ignored, missing or empty ones keep the current
// value, others take their numeric prefix rounded half-to-even (0 when there is none).
WindowPlacement ParseWindowPosition(const QString& stored, const WindowPlacement& current);

// The stored form of a placement: "120, 90, 900, 660".
QString FormatWindowPosition(const WindowPlacement& placement);

// Where a window's frame `outer` (pixels, each value within a few screen sizes) may open on
// the free areas `screens` so that a person can reach it: left as it is while it is no larger
// than the desktop and its whole title bar shows, with a strip of the window below it (across
// neighbouring screens too); otherwise shrunk to fit and moved, as little as it takes, wholly
// onto the screen showing most of it (or the nearest one). No screens: left as it is.
QRect KeepReachable(const QRect& outer, const QList<QRect>& screens);

// A stored boolean: "True"/"False" in any case, or a finite number (non-zero is true).
// Anything else ("yes", "nan", "inf") is not a boolean.
std::optional<bool> ParseBoolean(const QString& text);

} // namespace gb::core
