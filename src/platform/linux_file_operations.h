#pragma once

#include "platform/file_operations.h"

#include <QByteArray>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sys/types.h>
#include <utility>

struct stat;

namespace gb::platform {

// File operations on a POSIX file system.
class LinuxFileOperations : public IFileOperations {
public:
    FileError DeleteFile(const QString& path, bool force = false) override;
    FileError MoveToTrash(const QString& path) override;
    FileError CopyFile(const QString& source, const QString& target, bool overwrite) override;
    FileError WriteFile(const QString& path, const QByteArray& bytes) override;
    void RemoveLeftovers(const QString& folder) override;
    FileError MakeFolder(const QString& path) override;
    bool IsSameFile(const QString& first, const QString& second) override;
    bool IsReadable(const QString& path) const override;
    std::optional<FileStamp> StampOf(const QString& path) const override;
    StorageKind StorageKindOf(const QString& path) const override;
    std::unique_ptr<IFolderWatch> WatchFolder(const QString& folder) const override;

    // The classic error number, a user-facing sentence and the system's reason for an errno
    // value, on the side of the copy it happened.
    static FileError FromErrno(int error, FileSide side = FileSide::None);

protected:
    // The three steps of a copy (and of a write) that touch the disk, so that a test can stand in
    // a full disk, a failing card, a destination that turns read-only or vanishes, or another
    // program racing for the target name. Each behaves like the system call it wraps (and sets
    // errno): ::write,
    // ::read, and ::renameat2 of `tempName` in the folder `folderFd` to the path `target`.
    virtual ssize_t WriteBytes(int fd, const char* data, size_t size);
    virtual ssize_t ReadBytes(int fd, char* data, size_t size);
    virtual int RenameAt(int folderFd, const char* tempName, const char* target, unsigned flags);

private:
    using Fill = std::function<FileError(int tempFd)>;
    FileError CopyBytes(int sourceFd, int tempFd);
    FileError WriteAll(int fd, const char* data, size_t size);
    FileError WriteThroughTemp(
        const QByteArray& targetPath, bool overwrite, std::optional<mode_t> mode, const Fill& fill);
    FileError PlaceTemp(
        int folderFd, const QByteArray& tempName, const QByteArray& targetPath, bool overwrite);
    int ClaimFreeName(int folderFd, const char* tempName, const char* target);
    void RemoveLeftoversOnce(int folderFd);

    // The folders (device, inode) already rid of temporary files a crash left behind; copies run
    // on several threads at once.
    struct SweptFolders {
        std::mutex lock;
        std::set<std::pair<dev_t, ino_t>> folders;
    };
    std::unique_ptr<SweptFolders> swept_ = std::make_unique<SweptFolders>();
};

} // namespace gb::platform
