#pragma once

#include "platform/desktop_shell.h"
#include "platform/dialogs.h"
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

#include <memory>

namespace gb::app {

// The composition root: every platform service the program runs on, built once. Needs a
// QApplication. Unattended runs (contact sheet, screenshot) get dialogs that never wait.
class LinuxServices {
public:
    explicit LinuxServices(bool unattended);
    platform::Services& Services() { return services_; }

private:
    platform::IniProfile profile_;
    platform::FilePictureLoader pictures_;
    platform::LinuxAppInfo appInfo_;
    std::unique_ptr<platform::IDialogs> dialogs_;
    platform::DesktopShell shell_;
    platform::ProcessCommandRunner runner_;
    platform::LinuxWallpaper wallpaper_;
    platform::LinuxFileOperations files_;
    platform::MemoryRegistry registry_;
    platform::FreedesktopThumbnailCache thumbnails_;
    platform::LinuxScratchSpace scratch_;
    platform::Services services_;
};

} // namespace gb::app
