#pragma once

#include "platform/shell.h"

#include <QStringList>

namespace gb::test {

// Records what would have been opened instead of starting programs, and answers at once.
class FakeShell : public platform::IShell {
public:
    void OpenDocument(const QString& fileOrAddress, Done done) override
    {
        opened.push_back(fileOrAddress);
        done(accept);
    }
    bool StartProgram(const QString& commandLine) override
    {
        started.push_back(commandLine);
        return startSucceeds;
    }
    QStringList opened, started; // documents opened, command lines of programs started
    bool accept = true, startSucceeds = true;
};

} // namespace gb::test
