#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace gb::browser {

// The program's own picture: a photo tile with a mountain, a sun and a sparkle, drawn at any
// size so that the window icon and the exported hicolor PNGs come from the same art.
QImage DrawApplicationIcon(int size);

// The application icon at 16, 32, 48, 64, 128 and 256 pixels.
QIcon ApplicationIcon();

// The 16 x 16 application icon shown in the status bar.
QPixmap StatusBarBadge();

} // namespace gb::browser
