#include "app/linux_services.h"

#include "app/headless_dialogs.h"
#include "app/qt_dialogs.h"

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
    , services_(platform_.With(*dialogs_))
{
}

} // namespace gb::app
