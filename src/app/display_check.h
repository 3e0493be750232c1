#pragma once

#include "app/command_line.h"

#include <QString>

namespace gb::app {

// A contact sheet is a file, drawn offscreen alike on every machine, display or not; a
// screenshot is of a real window, offscreen only where there is no display. Sets Qt's platform
// to "offscreen" for them unless one was chosen.
void UseOffscreenWhenHeadless(const CommandLine& command);

// Why the window cannot be shown, or nothing when it can. Asked before QApplication is made:
// Qt aborts the program when its platform plugin cannot connect, and the person is owed a
// sentence and exit status 1 instead.
QString WhyNoDisplay(const CommandLine& command);

} // namespace gb::app
