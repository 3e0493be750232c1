#pragma once

#include "platform/command_runner.h"

#include <QHash>
#include <vector>

namespace gb::test {

// Records every command instead of running it; answers success unless a result is scripted
// for the program.
class FakeCommandRunner : public platform::ICommandRunner {
public:
    struct Call {
        QString program;
        QStringList arguments;
    };
    platform::CommandResult Run(const QString& program, const QStringList& arguments) override
    {
        calls.push_back({ program, arguments });
        if (results.contains(program))
            return results.value(program);
        return { true, 0, {}, {} };
    }
    std::vector<Call> calls;
    QHash<QString, platform::CommandResult> results;
};

} // namespace gb::test
