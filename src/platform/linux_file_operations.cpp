#include "platform/linux_file_operations.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gb::platform {

namespace {

    // A photo goes through in a few system calls; the buffer stays small enough not to matter.
    constexpr size_t kChunkSize = 1024 * 1024;
    // Marks a temporary file as ours, should a crash ever leave one behind; six random
    // characters follow.
    constexpr char kTempMark[] = ".glimmerbox-";
    constexpr qsizetype kTempTagSize = 6;
    // As many tries as mkstemp makes before it gives up on finding a free temporary name.
    constexpr int kTempNameTries = 100;

    // The copy under its temporary name beside the target. The folder is held open so that the
    // temporary file can still be removed when the folder is renamed or moved while the copy
    // runs: a path would then name nothing, and the half-written copy would stay behind.
    struct TempFile {
        int folderFd = -1;
        QByteArray name;
        int fd = -1;
    };

    FileError NotRegularFile()
    {
        return { FileErrorNumber::PathFileAccessError,
            QStringLiteral("Path/File access error (not a regular file)") };
    }

    bool SameInode(const struct stat& first, const struct stat& second)
    {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }

    QByteArray NameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

    QByteArray FolderOf(const QByteArray& path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0)
            return QByteArrayLiteral(".");
        return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
    }

    // Pipes and devices are turned away before they are opened, since opening one can block or
    // have side effects (a tape rewinds, a watchdog arms). The open descriptor is checked again
    // in case the name was swapped in between.
    FileError OpenSource(const QByteArray& path, struct stat& info, int& fd)
    {
        if (::stat(path.constData(), &info) != 0)
            return LinuxFileOperations::FromErrno(errno);
        if (!S_ISREG(info.st_mode))
            return NotRegularFile();
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return LinuxFileOperations::FromErrno(errno);
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            fd = -1;
            return NotRegularFile();
        }
        return {};
    }

    // Settles everything that can be known before a byte is written. A missing target folder is
    // left for the temporary file to report.
    FileError CheckTarget(
        const QByteArray& path, const struct stat& sourceInfo, bool overwrite, bool& sameFile)
    {
        struct stat info { };
        if (::stat(path.constData(), &info) == 0) {
            sameFile = SameInode(info, sourceInfo);
            if (sameFile)
                return {};
            if (!overwrite)
                return LinuxFileOperations::FromErrno(EEXIST);
            if (S_ISDIR(info.st_mode))
                return { FileErrorNumber::PathFileAccessError,
                    QStringLiteral("Path/File access error (the target is a folder)") };
            return {};
        }
        // A link pointing nowhere still holds the name.
        if (!overwrite && errno == ENOENT && ::lstat(path.constData(), &info) == 0)
            return LinuxFileOperations::FromErrno(EEXIST);
        return {};
    }

    FileError TargetFolderMissing()
    {
        return { FileErrorNumber::PathNotFound,
            QStringLiteral("Path not found (the target folder does not exist)") };
    }

    QByteArray RandomTag()
    {
        static constexpr char kLetters[]
            = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        QByteArray tag(kTempTagSize, Qt::Uninitialized);
        for (char& c : tag)
            c = kLetters[QRandomGenerator::global()->bounded(int(sizeof(kLetters) - 1))];
        return tag;
    }

    // The temporary name starts with a dot so file browsers hide the copy while it grows, and the
    // target's name is shortened where needed to stay within NAME_MAX. It is created with O_EXCL
    // and mode 0600, as mkostemp would: nobody else sees a half-written photo. The folder is
    // opened with O_PATH, which needs no read permission, just as creating a file needs none.
    FileError MakeTemp(const QByteArray& targetPath, TempFile& temp)
    {
        const QByteArray name = NameOf(targetPath);
        if (name.isEmpty() || name == "." || name == "..")
            return { FileErrorNumber::PathFileAccessError,
                QStringLiteral("Path/File access error (the target is not a file name)") };
        temp.folderFd = ::open(FolderOf(targetPath).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (temp.folderFd < 0)
            return errno == ENOENT ? TargetFolderMissing() : LinuxFileOperations::FromErrno(errno);
        const qsizetype room = NAME_MAX - 1 - qsizetype(sizeof(kTempMark) - 1) - kTempTagSize;
        for (int tries = 0; tries < kTempNameTries; ++tries) {
            const QByteArray tempName = '.' + name.left(room) + kTempMark + RandomTag();
            temp.fd = ::openat(temp.folderFd, tempName.constData(),
                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (temp.fd >= 0) {
                temp.name = tempName;
                return {};
            }
            if (errno != EEXIST)
                break;
        }
        return errno == ENOENT ? TargetFolderMissing() : LinuxFileOperations::FromErrno(errno);
    }

    // Closes what is open and removes the temporary file unless it was given its final name.
    void DiscardTemp(TempFile& temp)
    {
        if (temp.fd >= 0)
            ::close(temp.fd);
        if (!temp.name.isEmpty())
            ::unlinkat(temp.folderFd, temp.name.constData(), 0);
        if (temp.folderFd >= 0)
            ::close(temp.folderFd);
        temp = {};
    }

    // Mode and times are set before the fsync so that one flush makes them durable with the
    // bytes. Set-user/group-ID bits are dropped: a copy must not hand on anyone's privileges.
    // File systems that cannot store Unix permissions (FAT on a memory card) refuse fchmod, which
    // must not cost the user the copy.
    FileError FinishTemp(TempFile& temp, const struct stat& sourceInfo)
    {
        const mode_t mode = sourceInfo.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID);
        if (::fchmod(temp.fd, mode) != 0 && errno != EPERM && errno != EOPNOTSUPP)
            return LinuxFileOperations::FromErrno(errno);
        const struct timespec times[2] = { sourceInfo.st_atim, sourceInfo.st_mtim };
        if (::futimens(temp.fd, times) != 0)
            return LinuxFileOperations::FromErrno(errno);
        if (::fsync(temp.fd) != 0 && errno != EINVAL)
            return LinuxFileOperations::FromErrno(errno);
        const int fd = std::exchange(temp.fd, -1);
        // A delayed write error (network file systems) may only surface here.
        if (::close(fd) != 0 && errno != EINTR)
            return LinuxFileOperations::FromErrno(errno);
        return {};
    }

    // Makes the new name itself survive a power cut. A folder that cannot be synced (some network
    // file systems) does not undo a copy that is complete.
    void SyncFolder(int folderFd)
    {
        const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        ::fsync(fd);
        ::close(fd);
    }

} // namespace

FileError LinuxFileOperations::FromErrno(int error)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
    case ENOENT:
        return { FileErrorNumber::FileNotFound, QStringLiteral("File not found (%1)").arg(reason) };
    case EEXIST:
        return { FileErrorNumber::FileAlreadyExists,
            QStringLiteral("File already exists (%1)").arg(reason) };
    case ENOSPC:
    case EDQUOT:
        return { FileErrorNumber::DiskFull, QStringLiteral("Disk full (%1)").arg(reason) };
    case EACCES:
    case EPERM:
    case EROFS:
        return { FileErrorNumber::PermissionDenied,
            QStringLiteral("Permission denied (%1)").arg(reason) };
    case ENOTDIR:
        return { FileErrorNumber::PathNotFound, QStringLiteral("Path not found (%1)").arg(reason) };
    default:
        return { FileErrorNumber::PathFileAccessError,
            QStringLiteral("Path/File access error (%1)").arg(reason) };
    }
}

FileError LinuxFileOperations::DeleteFile(const QString& path, bool force)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info { };
    if (::lstat(native.constData(), &info) != 0)
        return FromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return { FileErrorNumber::PathFileAccessError,
            QStringLiteral("Path/File access error (it is a folder)") };
    // A file nobody may write to is what other systems call read-only: it is kept unless the
    // caller forces the deletion. Root's ability to write anyway does not count. On a read-only
    // disk it is the disk, not the file, that the user has to be told about.
    const bool link = S_ISLNK(info.st_mode);
    const int writable = link ? 0 : ::access(native.constData(), W_OK);
    if (writable != 0 && errno == EROFS)
        return FromErrno(EROFS);
    const bool readOnly
        = !link && ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || writable != 0);
    if (readOnly && !force)
        return { FileErrorNumber::PermissionDenied,
            QStringLiteral("Permission denied (the file is read-only)") };
    if (::unlink(native.constData()) != 0)
        return FromErrno(errno);
    return {};
}

FileError LinuxFileOperations::CopyFile(
    const QString& source, const QString& target, bool overwrite)
{
    const QByteArray sourcePath = QFile::encodeName(source);
    const QByteArray targetPath = QFile::encodeName(target);
    // An embedded NUL would silently cut the path short and name some other file.
    if (sourcePath.contains('\0') || targetPath.contains('\0'))
        return { FileErrorNumber::PathFileAccessError,
            QStringLiteral("Path/File access error (invalid file name)") };
    struct stat sourceInfo { };
    int sourceFd = -1;
    FileError result = OpenSource(sourcePath, sourceInfo, sourceFd);
    if (!result.Ok())
        return result;
    bool sameFile = false;
    result = CheckTarget(targetPath, sourceInfo, overwrite, sameFile);
    // Copying a file onto itself through a temporary file would be harmless, but opening the
    // target for writing (as a naive copy does) would truncate the only copy.
    if (result.Ok() && !sameFile)
        result = CopyThroughTemp(sourceFd, sourceInfo, targetPath, overwrite);
    ::close(sourceFd);
    return result;
}

bool LinuxFileOperations::IsReadable(const QString& path) const
{
    return ::access(QFile::encodeName(path).constData(), R_OK) == 0;
}

std::optional<FileStamp> LinuxFileOperations::StampOf(const QString& path) const
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info { };
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0)
        return std::nullopt;
    return FileStamp { info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_ino };
}

bool LinuxFileOperations::IsSameFile(const QString& first, const QString& second)
{
    struct stat firstInfo { };
    struct stat secondInfo { };
    return ::stat(QFile::encodeName(first).constData(), &firstInfo) == 0
        && ::stat(QFile::encodeName(second).constData(), &secondInfo) == 0
        && SameInode(firstInfo, secondInfo);
}

FileError LinuxFileOperations::CopyThroughTemp(
    int sourceFd, const struct stat& sourceInfo, const QByteArray& targetPath, bool overwrite)
{
    TempFile temp;
    FileError result = MakeTemp(targetPath, temp);
    if (result.Ok())
        result = CopyBytes(sourceFd, temp.fd);
    if (result.Ok())
        result = FinishTemp(temp, sourceInfo);
    if (result.Ok())
        result = PlaceTemp(temp.folderFd, temp.name, targetPath, overwrite);
    if (result.Ok()) {
        temp.name.clear(); // it is the target now
        SyncFolder(temp.folderFd);
    }
    DiscardTemp(temp);
    return result;
}

// The target is named by its path, not through the held folder: should the folder have been
// moved away, the copy must not turn up somewhere the user never chose.
FileError LinuxFileOperations::PlaceTemp(
    int folderFd, const QByteArray& tempName, const QByteArray& targetPath, bool overwrite)
{
    const int error = overwrite
        ? (RenameAt(folderFd, tempName.constData(), targetPath.constData(), 0) == 0 ? 0 : errno)
        : ClaimFreeName(folderFd, tempName.constData(), targetPath.constData());
    if (error == ENOENT)
        return TargetFolderMissing();
    return error == 0 ? FileError {} : FromErrno(error);
}

// Claims the name only if it is still free, so a file that appeared while the copy ran is kept.
// Returns 0 or an errno value.
int LinuxFileOperations::ClaimFreeName(int folderFd, const char* tempName, const char* target)
{
    if (RenameAt(folderFd, tempName, target, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // The file system cannot rename without replacing; a hard link claims a name just as
    // atomically.
    if (::linkat(folderFd, tempName, AT_FDCWD, target, 0) == 0) {
        ::unlinkat(folderFd, tempName, 0);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // Neither (exFAT, some FUSE mounts): a last look right before the rename leaves only a
    // moment for another program to slip in.
    struct stat info { };
    if (::lstat(target, &info) == 0)
        return EEXIST;
    return RenameAt(folderFd, tempName, target, 0) == 0 ? 0 : errno;
}

FileError LinuxFileOperations::CopyBytes(int sourceFd, int tempFd)
{
    const auto buffer = std::make_unique_for_overwrite<char[]>(kChunkSize);
    for (;;) {
        const ssize_t got = ReadBytes(sourceFd, buffer.get(), kChunkSize);
        if (got == 0)
            return {};
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FromErrno(errno);
        if (FileError error = WriteAll(tempFd, buffer.get(), size_t(got)); !error.Ok())
            return error;
    }
}

FileError LinuxFileOperations::WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = WriteBytes(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return FromErrno(errno);
        // A write that makes no progress would loop for ever; the disk is as good as full.
        if (written == 0)
            return FromErrno(ENOSPC);
        data += written;
        size -= size_t(written);
    }
    return {};
}

ssize_t LinuxFileOperations::WriteBytes(int fd, const char* data, size_t size)
{
    return ::write(fd, data, size);
}

ssize_t LinuxFileOperations::ReadBytes(int fd, char* data, size_t size)
{
    return ::read(fd, data, size);
}

int LinuxFileOperations::RenameAt(
    int folderFd, const char* tempName, const char* target, unsigned flags)
{
    return ::renameat2(folderFd, tempName, AT_FDCWD, target, flags);
}

} // namespace gb::platform
