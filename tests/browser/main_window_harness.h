#pragma once

#include "app/module1.h"
#include "browser/frm_thumbs.h"
#include "platform/ini_profile.h"
#include "platform/linux_file_operations.h"
#include "platform/linux_wallpaper.h"
#include "platform/qt_picture_loader.h"
#include "platform/services.h"
#include "support/fake_app_info.h"
#include "support/fake_command_runner.h"
#include "support/fake_dialogs.h"
#include "support/fake_shell.h"
#include "support/temp_folder.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace gb::test {

// The real main window on the real settings store and picture loader, with scripted dialogs;
// the settings file lives in a scratch folder of its own.
class MainWindowHarness {
public:
    MainWindowHarness()
        : appInfo(dataFolder.Path())
        , wallpaper(runner, "GNOME")
        , services { profile, pictures, dialogs, appInfo, shell, wallpaper, files }
        , module1(services)
    {
    }

    QString IniPath() { return module1.IniPath(); }
    QString Setting(const QString& key) { return module1.ReadSetting("Main", key, "<missing>"); }
    void SetSetting(const QString& key, const QString& value)
    {
        module1.WriteSetting("Main", key, value);
    }

    browser::frmThumbs& Window()
    {
        if (!window)
            window = std::make_unique<browser::frmThumbs>(module1);
        return *window;
    }

    // Shows the window and waits until its first activation has been handled.
    void ShowAndActivate()
    {
        QSignalSpy done(&Window(), &browser::frmThumbs::FirstActivationDone);
        Window().show();
        ASSERT_TRUE(done.wait(10000));
    }

    // Runs `action` and waits for the load it starts to finish.
    template <typename Action> void WaitForLoad(Action action)
    {
        QSignalSpy finished(&Window(), &browser::frmThumbs::LoadFinished);
        action();
        if (finished.isEmpty()) {
            ASSERT_TRUE(finished.wait(10000));
        }
    }

    TempFolder dataFolder;
    platform::IniProfile profile;
    platform::QtPictureLoader pictures;
    FakeDialogs dialogs;
    FakeAppInfo appInfo;
    FakeShell shell;
    FakeCommandRunner runner;
    platform::LinuxWallpaper wallpaper;
    platform::LinuxFileOperations files;
    platform::Services services;
    app::Module1 module1;
    std::unique_ptr<browser::frmThumbs> window;
};

inline QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

// Writes a real picture file of the type its name says.
void WritePicture(const TempFolder& folder, const QString& name, QSize size = QSize(40, 30));

} // namespace gb::test
