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
        done(results.value(program, Answer(program, arguments)));
    }

    // Success; "gsettings get" prints what "gsettings set" stored, quoted as GVariant text.
    platform::CommandResult Answer(const QString& program, const QStringList& arguments)
    {
        const QString verb = program == "gsettings" ? arguments.value(0) : QString();
        QString& value = stored[arguments.mid(1, 2).join(' ')];
        if (verb == "set")
            value = arguments.value(3) == "''" ? "" : arguments.value(3);
        return { true, 0, verb == "get" ? "'" + QString(value).replace("'", "\\'") + "'" : "", {} };
    }

    std::vector<Call> calls;
    QHash<QString, QString> stored; // what gsettings holds, by schema and key
    std::function<void()> during; // what happens meanwhile, as a slow desktop lets it
    QHash<QString, platform::CommandResult> results; // the answer to every call of a program
};

} // namespace gb::test
