#include "app/display_check.h"

#include "platform/x_display.h"

namespace gb::app {

namespace {

    // The X display Qt's X11 plugin connects to: its -display option, else DISPLAY.
    QString XDisplayName(const CommandLine& command)
    {
        return command.display.isEmpty() ? qEnvironmentVariable("DISPLAY") : command.display;
    }

    bool HasDisplay(const CommandLine& command)
    {
        return !XDisplayName(command).isEmpty() || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    }

    // The platform Qt tries first when one was chosen: -platform before QT_QPA_PLATFORM; a list
    // ("wayland;xcb") is tried in order, and a name may carry options ("xcb:option").
    QString ChosenPlatform(const CommandLine& command)
    {
        const QString chosen = command.platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM")
                                                          : command.platform;
        return chosen.section(u';', 0, 0).section(u':', 0, 0).trimmed();
    }

} // namespace

void UseOffscreenWhenHeadless(const CommandLine& command)
{
    const bool offscreen = !command.contactSheet.isEmpty()
        || (!command.screenshot.isEmpty() && !HasDisplay(command));
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

DisplayCheck::DisplayCheck(const CommandLine& command)
{
    const QString platform = ChosenPlatform(command);
    const QString display = XDisplayName(command);
    // Without a Wayland display, and unless another platform was chosen, Qt connects to X.
    const bool x11 = platform == QLatin1String("xcb")
        || (platform.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if ((platform.isEmpty() && !HasDisplay(command)) || (x11 && display.isEmpty())) {
        whyNot_ = QStringLiteral("there is no display to show the window on (DISPLAY is not set);\n"
                                 "--contact-sheet and --screenshot work without one.");
    } else if (x11) {
        x11_.emplace(display);
        if (!x11_->IsOpen())
            whyNot_ = QStringLiteral("cannot open display %1").arg(display);
    }
}

} // namespace gb::app
