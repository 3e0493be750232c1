#pragma once

#include "platform/dialogs.h"
#include "platform/linux_platform.h"
#include "platform/services.h"

#include <memory>

namespace gb::app {

// The composition root: the Linux platform with the dialogs this run asks for. Needs a
// QApplication. Unattended runs (contact sheet, screenshot) get dialogs that never wait.
class LinuxServices {
public:
    explicit LinuxServices(bool unattended);
    platform::Services& Services() { return services_; }

private:
    platform::LinuxPlatform platform_;
    std::unique_ptr<platform::IDialogs> dialogs_;
    platform::Services services_;
};

} // namespace gb::app
