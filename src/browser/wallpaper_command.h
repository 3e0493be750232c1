#pragma once

#include "platform/picture_loader.h"

#include <QColor>
#include <QObject>

namespace gb::platform {
struct Services;
}

namespace gb::browser {

// Makes a picture the desktop wallpaper: the picture is read and written as a bitmap on the
// storage lane (it may sit on a share that stalls), then the desktop is asked to show it.
class WallpaperCommand : public QObject {
    Q_OBJECT
public:
    WallpaperCommand(platform::Services& services, QObject* parent);

    bool IsRunning() const { return running_; }
    // Writes `image` as the bitmap `target`, transparent pixels showing `surface`, and sets it;
    // Finished follows. Nothing when a request runs: the desktop may take a while to answer.
    void Start(const QString& image, const QString& target, const QColor& surface,
        const platform::PictureOptions& options);

Q_SIGNALS:
    // `error` says why the wallpaper was left unchanged; empty when it was set.
    void Finished(const QString& error);

private:
    void SetDesktop(const QString& target);
    void End(const QString& error);

    platform::Services& services_;
    bool running_ = false;
};

} // namespace gb::browser
