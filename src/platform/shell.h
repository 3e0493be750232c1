#pragma once

#include <QString>

namespace gb::platform {

// Hands a file or web address to the desktop, which opens it in the program associated with it.
class IShell {
public:
    virtual ~IShell() = default;
    // True when the desktop accepted the request (not that a program really opened it).
    virtual bool OpenDocument(const QString& fileOrAddress) = 0;
    // Starts a program from a command line (program and arguments separated by blanks,
    // quotes group), detached: nothing waits for it. False when it could not be started.
    virtual bool StartProgram(const QString& commandLine) = 0;
};

} // namespace gb::platform
