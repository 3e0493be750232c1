#pragma once

#include "platform/command_runner.h"

#include <QHash>
#include <algorithm>
#include <ostream>
#include <utility>
#include <vector>

namespace gb::test {

// Stands in for the shell: records every command and gives each program its fixed result, else
// its next scripted answer, or success when none is left for it.
class FakeCommandRunner : public platform::ICommandRunner {
public:
    struct Call {
        QString program;
        QStringList arguments;
        bool operator==(const Call&) const = default;
        friend void PrintTo(const Call& call, std::ostream* out)
        {
            *out << qPrintable(call.program);
            for (const QString& argument : call.arguments)
                *out << " [" << qPrintable(argument) << "]";
        }
    };
    using Answer = std::pair<QString, platform::CommandResult>;

    platform::CommandResult Run(const QString& program, const QStringList& arguments) override
    {
        calls.push_back({ program, arguments });
        if (results.contains(program))
            return results.value(program);
        const auto answer = std::find_if(
            answers.begin(), answers.end(), [&](const Answer& a) { return a.first == program; });
        if (answer == answers.end())
            return { true, 0, {}, {} };
        const platform::CommandResult result = answer->second;
        answers.erase(answer);
        return result;
    }

    std::vector<Call> calls;
    std::vector<Answer> answers; // each used once, in order, by the program it names
    QHash<QString, platform::CommandResult> results; // the answer to every call of a program
};

} // namespace gb::test
