#pragma once

#include "platform/command_runner.h"

#include <QDBusConnection>
#include <chrono>
#include <optional>

namespace gb::platform {

// Hands a picture file to the freedesktop desktop portal and waits for its verdict, keeping the
// window alive meanwhile. The verdict reads like a command's: not started when no portal
// answers on the bus, exit code 0 when the wallpaper changed, else why not.
class WallpaperPortal {
public:
    // Long enough for the user to answer the portal's permission question.
    static constexpr std::chrono::milliseconds kDefaultTimeout = std::chrono::minutes(2);

    // The session bus, looked up only when the portal is needed.
    explicit WallpaperPortal(std::chrono::milliseconds timeout = kDefaultTimeout);
    WallpaperPortal(const QDBusConnection& bus, std::chrono::milliseconds timeout);

    CommandResult SetWallpaperFile(const QString& path);

private:
    CommandResult Await(const QDBusConnection& bus, const QDBusMessage& call, const QString& token);

    std::optional<QDBusConnection> bus_;
    std::chrono::milliseconds timeout_;
};

} // namespace gb::platform
