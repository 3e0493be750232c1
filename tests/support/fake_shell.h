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
    QStringList opened;
    bool accept = true;
};

} // namespace gb::test
