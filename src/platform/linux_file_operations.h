#pragma once

#include "platform/file_operations.h"

#include <QByteArray>
#include <cstddef>
#include <sys/types.h>

struct stat;

namespace gb::platform {

// File operations on a POSIX file system.
class LinuxFileOperations : public IFileOperations {
public:
    FileError DeleteFile(const QString& path, bool force = false) override;
    FileError CopyFile(const QString& source, const QString& target, bool overwrite) override;
    bool IsSameFile(const QString& first, const QString& second) override;

    // The classic error number and a user-facing sentence for an errno value.
    static FileError FromErrno(int error);

protected:
    // The one step that puts the copy's bytes on disk. It behaves like ::write (and sets errno),
    // so a test can stand in a full disk or another program racing for the target name.
    virtual ssize_t WriteBytes(int fd, const char* data, size_t size);

private:
    FileError CopyBytes(int sourceFd, int tempFd);
    FileError WriteAll(int fd, const char* data, size_t size);
    FileError CopyThroughTemp(
        int sourceFd, const struct stat& sourceInfo, const QByteArray& targetPath, bool overwrite);
};

} // namespace gb::platform
