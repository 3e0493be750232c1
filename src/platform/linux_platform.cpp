#include "platform/linux_platform.h"

#include "platform/system_info_seed.h"

namespace gb::platform {

LinuxPlatform::LinuxPlatform()
    : wallpaper_(runner_, LinuxWallpaper::CurrentDesktopFromEnvironment())
{
    SeedSystemInfo(registry_);
}

Services LinuxPlatform::With(IDialogs& dialogs, IFileOperations& files)
{
    return Services { profile_, pictures_, dialogs, appInfo_, shell_, wallpaper_, files, registry_,
        thumbnails_, scratch_ };
}

} // namespace gb::platform
