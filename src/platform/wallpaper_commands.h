#pragma once

#include "platform/command_runner.h"

#include <optional>

namespace gb::platform {

struct WallpaperFailure {
    QString program;
    bool started = false;
    QString detail; // the first thing the program said, or its exit code
};

// One wallpaper backend's commands, run in order. After the first failure the rest are skipped:
// a half-made change is better left alone than pushed further.
class WallpaperCommands {
public:
    explicit WallpaperCommands(ICommandRunner& runner);

    // The result when the command succeeded.
    std::optional<CommandResult> Run(const QString& program, const QStringList& arguments);
    // For a question whose "no" is still an answer: only a program that cannot start fails.
    std::optional<CommandResult> Ask(const QString& program, const QStringList& arguments);
    // Puts back what a failed change had already altered; runs even after a failure.
    void Undo(const QString& program, const QStringList& arguments);
    void Fail(const QString& program, const CommandResult& result);

    const std::optional<WallpaperFailure>& FirstFailure() const { return failure_; }

private:
    ICommandRunner& runner_;
    std::optional<WallpaperFailure> failure_;
};

} // namespace gb::platform
