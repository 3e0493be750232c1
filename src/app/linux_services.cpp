#include "app/linux_services.h"

#include "app/headless_dialogs.h"
#include "app/qt_dialogs.h"
#include "platform/system_info_seed.h"

namespace gb::app {

namespace {
    std::unique_ptr<platform::IDialogs> MakeDialogs(bool unattended)
    {
        if (unattended)
            return std::make_unique<HeadlessDialogs>();
        return std::make_unique<platform::QtDialogs>();
    }
} // namespace

LinuxServices::LinuxServices(bool unattended)
    : dialogs_(MakeDialogs(unattended))
    , wallpaper_(runner_, platform::LinuxWallpaper::CurrentDesktopFromEnvironment())
    , services_ { profile_, pictures_, *dialogs_, appInfo_, shell_, wallpaper_, files_, registry_,
        thumbnails_, scratch_ }
{
    platform::SeedSystemInfo(registry_);
}

} // namespace gb::app
