#pragma once

#include <QString>
#include <QStringList>

namespace gb::platform {

struct CommandResult {
    bool started = false; // false: the program is not installed or could not be run
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
    bool Succeeded() const { return started && exitCode == 0; }
};

// Runs external programs to completion. Tests put a recording fake in its place.
class ICommandRunner {
public:
    virtual ~ICommandRunner() = default;
    virtual CommandResult Run(const QString& program, const QStringList& arguments) = 0;
};

} // namespace gb::platform
