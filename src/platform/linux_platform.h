#pragma once

#include "platform/desktop_shell.h"
#include "platform/file_picture_loader.h"
#include "platform/freedesktop_thumbnail_cache.h"
#include "platform/ini_profile.h"
#include "platform/linux_app_info.h"
#include "platform/linux_file_operations.h"
#include "platform/linux_scratch_space.h"
#include "platform/linux_wallpaper.h"
#include "platform/memory_registry.h"
#include "platform/process_command_runner.h"
#include "platform/services.h"

namespace gb::platform {

// Every Linux service the program runs on, built once, but the dialogs: those are the caller's
// choice (Qt's own, or answers that never wait), and a caller may also stand between the windows
// and the files (a benchmark clocking deletions). Needs a QApplication.
class LinuxPlatform {
public:
    LinuxPlatform();

    // The bundle of these services with `dialogs`, and `files` in place of the real ones.
    Services With(IDialogs& dialogs, IFileOperations& files);
    Services With(IDialogs& dialogs) { return With(dialogs, files_); }
    IFileOperations& Files() { return files_; }

private:
    IniProfile profile_;
    FilePictureLoader pictures_;
    LinuxAppInfo appInfo_;
    DesktopShell shell_;
    ProcessCommandRunner runner_;
    LinuxWallpaper wallpaper_;
    LinuxFileOperations files_;
    MemoryRegistry registry_;
    FreedesktopThumbnailCache thumbnails_;
    LinuxScratchSpace scratch_;
};

} // namespace gb::platform
