#pragma once

#include "browser/application_icon.h"

#include <QIcon>
#include <QString>

namespace gb::browser {

// The main toolbar's artwork for one button key ("Browse", "Rename", "Exit", "Refresh", "View",
// "Delete", "SelectAll", "Help", "About", "Slide"). The Normal image is muted and the Active one,
// which a toolbar button shows under the mouse, is brighter; Disabled is a legible grey. An
// unknown key gives a null icon so that a mistyped key shows up as a blank button, not a wrong one.
QIcon ToolbarIcon(const QString& key);

} // namespace gb::browser
