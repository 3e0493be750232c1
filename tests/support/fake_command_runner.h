#pragma once

#include "platform/command_runner.h"

#include <QHash>
#include <functional>
#include <vector>

namespace gb::test {

// Stands in for the shell: records every command and gives each program its fixed result, or
// success, at once.
class FakeCommandRunner : public platform::ICommandRunner {
public:
    struct Call {
        QString program;
        QStringList arguments;
    };

    void Start(const QString& program, const QStringList& arguments, Done done) override
    {
        calls.push_back({ program, arguments });
        if (during)
            during();
        done(results.value(program, { true, 0, {}, {} }));
    }

    std::vector<Call> calls;
    std::function<void()> during; // what happens meanwhile, as a slow desktop lets it
    QHash<QString, platform::CommandResult> results; // the answer to every call of a program
};

} // namespace gb::test
