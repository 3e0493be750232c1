#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace gb::platform {

struct CommandResult {
    bool started = false; // false: the program is not installed or could not be run
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
    bool Succeeded() const { return started && exitCode == 0; }
};

// Runs external programs to completion without waiting for them. Tests put a recording fake in
// its place.
class ICommandRunner {
public:
    using Done = std::function<void(const CommandResult&)>;

    virtual ~ICommandRunner() = default;
    // Starts `program`; `done` gets what came of it on the calling thread once it has ended or
    // could not start (possibly before Start returns). Nothing comes after the runner has gone.
    virtual void Start(const QString& program, const QStringList& arguments, Done done) = 0;
};

} // namespace gb::platform
