#pragma once

#include "platform/command_runner.h"

#include <QObject>
#include <chrono>

namespace gb::platform {

// Runs a program directly (never through a shell), with stdin closed so a tool that waits for
// input cannot stall us, and kills it when it outlives the time limit. The calling thread never
// waits: the process reports through its signals. Programs still running as the runner goes are
// killed.
class ProcessCommandRunner : public ICommandRunner {
public:
    explicit ProcessCommandRunner(std::chrono::milliseconds timeLimit = std::chrono::seconds(15));
    ~ProcessCommandRunner() override;
    ProcessCommandRunner(const ProcessCommandRunner&) = delete;
    ProcessCommandRunner& operator=(const ProcessCommandRunner&) = delete;
    void Start(const QString& program, const QStringList& arguments, Done done) override;

private:
    std::chrono::milliseconds timeLimit_;
    QObject processes_; // the parent of those running
};

} // namespace gb::platform
