#pragma once

#include "platform/shell.h"

namespace gb::platform {

// Opens files and addresses with the desktop's default programs (xdg-open and friends).
class DesktopShell : public IShell {
public:
    bool OpenDocument(const QString& fileOrAddress) override;
    bool StartProgram(const QString& commandLine) override;
};

} // namespace gb::platform
