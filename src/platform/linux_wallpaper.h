#pragma once

#include "platform/command_runner.h"
#include "platform/wallpaper.h"
#include "platform/wallpaper_portal.h"

namespace gb::platform {

// Sets the wallpaper with the running desktop's own tool (gsettings, Plasma's scripting,
// xfconf-query, pcmanfm, swaymsg). The freedesktop portal is asked only when the desktop is not
// one we know or its tool is not installed: once the desktop itself has refused, its reason is
// what the user needs to hear.
class LinuxWallpaper : public IWallpaper {
public:
    // currentDesktop: $XDG_CURRENT_DESKTOP, a colon-separated list such as "ubuntu:GNOME".
    LinuxWallpaper(
        ICommandRunner& runner, QString currentDesktop, WallpaperPortal portal = WallpaperPortal());
    void SetWallpaper(const QString& imagePath, Done done) override;

    static QString CurrentDesktopFromEnvironment();

private:
    static void AskPortal(
        const WallpaperPortal& portal, const QString& path, const QString& missingTool, Done done);

    ICommandRunner& runner_;
    QString currentDesktop_;
    WallpaperPortal portal_;
};

} // namespace gb::platform
