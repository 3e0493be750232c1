#pragma once

#include "app/command_line.h"
#include "platform/x_display.h"

#include <QString>
#include <optional>

namespace gb::app {

// A contact sheet is a file, drawn offscreen alike on every machine, display or not; a
// screenshot is of a real window, offscreen only where there is no display. Sets Qt's platform
// to "offscreen" for them unless one was chosen.
void UseOffscreenWhenHeadless(const CommandLine& command);

// Whether the window can be shown, asked before QApplication is made: Qt aborts the program when
// its platform plugin cannot connect, and the person is owed a sentence and exit status 1
// instead. Holds the X display it opened until Release(), once Qt has connected.
class DisplayCheck {
public:
    explicit DisplayCheck(const CommandLine& command);
    // Why the window cannot be shown, or nothing when it can.
    QString WhyNot() const { return whyNot_; }
    void Release() { x11_.reset(); }

private:
    std::optional<platform::XDisplayConnection> x11_;
    QString whyNot_;
};

} // namespace gb::app
