#pragma once

#include "platform/command_runner.h"
#include "platform/wallpaper.h"
#include "platform/wallpaper_portal.h"

namespace gb::platform {

// Sets the wallpaper with the running desktop's own tool (gsettings, Plasma's scripting,
// xfconf-query, pcmanfm, swaymsg) and falls back to the freedesktop portal when that tool is
// missing or refuses.
class LinuxWallpaper : public IWallpaper {
public:
    // currentDesktop: $XDG_CURRENT_DESKTOP, a colon-separated list such as "ubuntu:GNOME".
    LinuxWallpaper(
        ICommandRunner& runner, QString currentDesktop, WallpaperPortal portal = WallpaperPortal());
    WallpaperResult SetWallpaper(const QString& imagePath) override;

    static QString CurrentDesktopFromEnvironment();

private:
    ICommandRunner& runner_;
    QString currentDesktop_;
    WallpaperPortal portal_;
};

} // namespace gb::platform
