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
    bool IsReadable(const QString& path) const override;
    std::optional<FileStamp> StampOf(const QString& path) const override;

    // The classic error number and a user-facing sentence for an errno value.
    static FileError FromErrno(int error);

protected:
    // The three steps of a copy that touch the disk, so that a test can stand in a full disk, a
    // failing card, a destination that turns read-only or vanishes, or another program racing for
    // the target name. Each behaves like the system call it wraps (and sets errno): ::write,
    // ::read, and ::renameat2 of `tempName` in the folder `folderFd` to the path `target`.
    virtual ssize_t WriteBytes(int fd, const char* data, size_t size);
    virtual ssize_t ReadBytes(int fd, char* data, size_t size);
    virtual int RenameAt(int folderFd, const char* tempName, const char* target, unsigned flags);

private:
    FileError CopyBytes(int sourceFd, int tempFd);
    FileError WriteAll(int fd, const char* data, size_t size);
    FileError CopyThroughTemp(
        int sourceFd, const struct stat& sourceInfo, const QByteArray& targetPath, bool overwrite);
    FileError PlaceTemp(
        int folderFd, const QByteArray& tempName, const QByteArray& targetPath, bool overwrite);
    int ClaimFreeName(int folderFd, const char* tempName, const char* target);
};

} // namespace gb::platform
