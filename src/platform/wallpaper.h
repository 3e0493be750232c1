#pragma once

#include <QString>
#include <functional>

namespace gb::platform {

struct WallpaperResult {
    bool ok = false;
    QString error; // why the wallpaper was left unchanged, in words for the user
};

// Makes a picture file the desktop wallpaper, keeping the desktop's own placement choice.
class IWallpaper {
public:
    using Done = std::function<void(const WallpaperResult&)>;

    virtual ~IWallpaper() = default;
    // Asks the desktop without waiting for it (its tools, or the portal and the user's answer
    // there); `done` gets the outcome on the calling thread once the desktop has answered or the
    // time allowed has passed, possibly before SetWallpaper returns.
    virtual void SetWallpaper(const QString& imagePath, Done done) = 0;
};

} // namespace gb::platform
