#pragma once

#include <QString>
#include <functional>

namespace gb::platform {

// Hands a file or web address to the desktop, which opens it in the program associated with it.
class IShell {
public:
    using Done = std::function<void(bool)>;

    virtual ~IShell() = default;
    // Asks without waiting for the desktop; `done` hears on the calling thread whether it
    // accepted the request (not that a program really opened it), possibly before OpenDocument
    // returns. Nothing comes after the shell has gone.
    virtual void OpenDocument(const QString& fileOrAddress, Done done) = 0;
    // Starts a program from a command line (program and arguments separated by blanks,
    // quotes group), detached: nothing waits for it. False when it could not be started.
    virtual bool StartProgram(const QString& commandLine) = 0;
};

} // namespace gb::platform
