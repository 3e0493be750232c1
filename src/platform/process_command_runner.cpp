#include "platform/process_command_runner.h"

#include <QProcess>

namespace gb::platform {

ProcessCommandRunner::ProcessCommandRunner(std::chrono::milliseconds timeLimit)
    : timeLimit_(timeLimit)
{
}

CommandResult ProcessCommandRunner::Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    // The null device rather than a closed pipe: the child sees end-of-file from the start.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();

    CommandResult result;
    if (!process.waitForStarted(-1)) {
        result.standardError = process.errorString();
        return result;
    }
    result.started = true;
    const bool finished = process.waitForFinished(static_cast<int>(timeLimit_.count()));
    if (!finished) {
        process.kill();
        process.waitForFinished(-1);
    }
    result.standardOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.standardError = QString::fromLocal8Bit(process.readAllStandardError());
    if (!finished) {
        result.standardError = QStringLiteral("%1 did not finish in time and was stopped.\n%2")
                                   .arg(program, result.standardError);
        return result;
    }
    // A crash has no meaningful exit code; keep -1 so it never passes for success.
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

} // namespace gb::platform
