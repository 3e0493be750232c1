#pragma once

#include "platform/command_runner.h"

#include <chrono>

namespace gb::platform {

// Runs a program directly (never through a shell), with stdin closed so a tool that waits for
// input cannot stall us, and kills it when it outlives the time limit.
class ProcessCommandRunner : public ICommandRunner {
public:
    explicit ProcessCommandRunner(std::chrono::milliseconds timeLimit = std::chrono::seconds(15));
    CommandResult Run(const QString& program, const QStringList& arguments) override;

private:
    std::chrono::milliseconds timeLimit_;
};

} // namespace gb::platform
