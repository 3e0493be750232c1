#pragma once

#include "platform/command_runner.h"

#include <QDBusConnection>
#include <chrono>
#include <functional>
#include <optional>

namespace gb::platform {

// Hands a picture file to the freedesktop desktop portal and hears its verdict without waiting
// for it. The verdict reads like a command's: not started when no portal answers on the bus,
// exit code 0 when the wallpaper changed, else why not.
class WallpaperPortal {
public:
    // Long enough for the user to answer the portal's permission question.
    static constexpr std::chrono::milliseconds kDefaultTimeout = std::chrono::minutes(2);

    // The session bus, looked up only when the portal is needed.
    explicit WallpaperPortal(std::chrono::milliseconds timeout = kDefaultTimeout);
    WallpaperPortal(const QDBusConnection& bus, std::chrono::milliseconds timeout);

    // `done` gets the verdict on the calling thread: once the portal has answered or the time
    // allowed has passed, or before SetWallpaperFile returns when there is nothing to ask.
    void SetWallpaperFile(const QString& path, const ICommandRunner::Done& done) const;

private:
    std::optional<QDBusConnection> bus_;
    std::chrono::milliseconds timeout_;
};

} // namespace gb::platform
