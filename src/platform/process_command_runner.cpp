#include "platform/process_command_runner.h"

#include <QProcess>
#include <QTimer>
#include <memory>

namespace gb::platform {

namespace {

    // What came of a process that ran (`stopped`: killed at the time limit).
    CommandResult Ended(QProcess& process, bool stopped)
    {
        CommandResult result { true, -1, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()) };
        if (stopped) {
            result.standardError = QStringLiteral("%1 did not finish in time and was stopped.\n%2")
                                       .arg(process.program(), result.standardError);
            return result;
        }
        // A crash has no meaningful exit code; keep -1 so it never passes for success.
        if (process.exitStatus() == QProcess::NormalExit)
            result.exitCode = process.exitCode();
        return result;
    }

} // namespace

ProcessCommandRunner::ProcessCommandRunner(std::chrono::milliseconds timeLimit)
    : timeLimit_(timeLimit)
{
}

ProcessCommandRunner::~ProcessCommandRunner()
{
    // Stopped without a word: nothing is told after the runner has gone.
    for (QProcess* process : processes_.findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        process->kill();
        process->waitForFinished();
        delete process;
    }
}

void ProcessCommandRunner::Start(const QString& program, const QStringList& arguments, Done done)
{
    auto* process = new QProcess(&processes_);
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    auto stopped = std::make_shared<bool>(false);
    // Once only, and the process goes once it has reported.
    auto report = [process, limit, done = std::move(done)](const CommandResult& result) {
        limit->stop();
        process->disconnect();
        process->deleteLater();
        done(result);
    };
    QObject::connect(process, &QProcess::started, limit,
        [limit, timeLimit = timeLimit_] { limit->start(timeLimit); });
    QObject::connect(limit, &QTimer::timeout, process, [process, stopped] {
        *stopped = true;
        process->kill();
    });
    QObject::connect(process, &QProcess::errorOccurred, process,
        [process, report](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                report({ false, -1, {}, process->errorString() });
        });
    QObject::connect(process, &QProcess::finished, process,
        [process, stopped, report] { report(Ended(*process, *stopped)); });
    process->setProgram(program);
    process->setArguments(arguments);
    // The null device rather than a closed pipe: the child sees end-of-file from the start.
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
}

} // namespace gb::platform
