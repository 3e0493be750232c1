#pragma once

#include "platform/wallpaper_commands.h"

namespace gb::platform {

// The desktops that keep their wallpaper in GSettings. A failed change puts back the pictures
// it had already altered, so that the desktop is never left blank.
void SetGnomeWallpaper(WallpaperCommands& commands, const QString& path);
void SetCinnamonWallpaper(WallpaperCommands& commands, const QString& path);
void SetMateWallpaper(WallpaperCommands& commands, const QString& path);

} // namespace gb::platform
