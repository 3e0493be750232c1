#pragma once

#include <QIcon>
#include <QString>

namespace gb::slideshow {

// The slide show toolbar's 16 x 16 artwork for one button key ("Left", "Right", "Play", "Stop",
// "Exit"); a null icon for any other key, so a mistyped key shows as a blank button.
QIcon SlideShowButtonIcon(const QString& key);

// The slide show window's own icon, a frame of film, so that it cannot be mistaken for the main
// window in a task switcher.
QIcon SlideShowWindowIcon();

} // namespace gb::slideshow
