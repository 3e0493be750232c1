#pragma once

#include "platform/shell.h"

#include <QStringList>

namespace gb::test {

// Records what would have been opened instead of starting programs.
class FakeShell : public platform::IShell {
public:
    bool OpenDocument(const QString& fileOrAddress) override
    {
        opened.push_back(fileOrAddress);
        return accept;
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
