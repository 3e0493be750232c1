#pragma once

#include <QString>

namespace gb::platform {

struct WallpaperResult {
    bool ok = false;
    QString error; // why the wallpaper was left unchanged, in words for the user
};

// Makes a picture file the desktop wallpaper, keeping the desktop's own placement choice.
class IWallpaper {
public:
    virtual ~IWallpaper() = default;
    virtual WallpaperResult SetWallpaper(const QString& imagePath) = 0;
};

} // namespace gb::platform
