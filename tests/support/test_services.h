#pragma once

#include "module1/module1.h"
#include "module1/tasks.h"
#include "platform/file_picture_loader.h"
#include "platform/freedesktop_thumbnail_cache.h"
#include "platform/ini_profile.h"
#include "platform/linux_file_operations.h"
#include "platform/linux_scratch_space.h"
#include "platform/linux_wallpaper.h"
#include "platform/memory_registry.h"
#include "platform/services.h"
#include "support/fake_app_info.h"
#include "support/fake_command_runner.h"
#include "support/fake_dialogs.h"
#include "support/fake_shell.h"
#include "support/temp_folder.h"

namespace gb::test {

// The program's real services (settings file, pictures, file operations, wallpaper logic) with
// fakes only at the edge of the machine: dialogs, the desktop shell and external commands.
// Settings and Wallpaper.bmp go to a scratch folder unless another data folder is given.
struct TestServices {
    // `fileOperations` stands in for the real file operations when a test injects faults.
    explicit TestServices(const QString& dataDirectory = QString(),
        platform::IFileOperations* fileOperations = nullptr)
        : appInfo(dataDirectory.isEmpty() ? dataFolder.Path() : dataDirectory)
        , usedFiles(fileOperations ? fileOperations : &files)
    {
    }
    // Work the windows left on a lane (a preview, a cache write, a read) may use these services
    // until it ends: they go only after it. A job a test left stuck is a fault of the test.
    // A harness built on these services calls it in its own destructor too, before its windows,
    // loaders and folders go.
    ~TestServices() { AwaitLanes(); }
    static void AwaitLanes()
    {
        if (!app::WaitForLanes(std::chrono::seconds(60)))
            qFatal("work on a lane still uses the test's services after a minute");
    }
    QString Setting(const QString& key) { return module1.ReadSetting("Main", key, "<missing>"); }
    void SetSetting(const QString& key, const QString& value)
    {
        module1.WriteSetting("Main", key, value);
    }

    TempFolder dataFolder;
    platform::IniProfile profile;
    platform::FilePictureLoader pictures;
    FakeDialogs dialogs;
    FakeAppInfo appInfo;
    FakeShell shell;
    FakeCommandRunner runner;
    // A bus connection that was never made: no test reaches the real desktop's portal.
    platform::LinuxWallpaper wallpaper { runner, "GNOME",
        platform::WallpaperPortal(QDBusConnection("glimmerbox-no-bus"), std::chrono::seconds(1)) };
    platform::LinuxFileOperations files;
    platform::IFileOperations* usedFiles;
    platform::MemoryRegistry registry;
    // The shared thumbnail cache, kept inside the scratch folder: tests never touch the user's.
    platform::FreedesktopThumbnailCache thumbnails { dataFolder.Path() + "/cache/thumbnails" };
    platform::LinuxScratchSpace scratch { dataFolder.Path() };
    platform::Services services { profile, pictures, dialogs, appInfo, shell, wallpaper, *usedFiles,
        registry, thumbnails, scratch };
    app::Module1 module1 { services };
};

} // namespace gb::test
