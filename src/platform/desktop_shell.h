#pragma once

#include "platform/process_command_runner.h"
#include "platform/shell.h"

#include <QObject>
#include <optional>

namespace gb::platform {

// Opens files and addresses with the desktop's default programs (xdg-open and friends).
class DesktopShell : public IShell {
public:
    void OpenDocument(const QString& fileOrAddress, Done done) override;
    bool StartProgram(const QString& commandLine) override;

private:
    void OpenWithXdgOpen(const QString& path, const std::function<void(std::optional<bool>)>& done);

    // Asks gio which programs open a type; it may take a moment, never longer than this.
    ProcessCommandRunner gio_ { std::chrono::seconds(5) };
    QObject watching_; // what hears from xdg-open: nothing comes after the shell has gone
};

} // namespace gb::platform
