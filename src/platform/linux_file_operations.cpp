#include "platform/linux_file_operations.h"

#include "platform/storage_kind.h"

#include "platform/careful_file.h"
#include "platform/freedesktop_trash.h"
#include "platform/linux_folder_watch.h"
#include "platform/staged_file.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::platform {

namespace {

    // A photo goes through in a few system calls; the buffer stays small enough not to matter.
    constexpr size_t kChunkSize = 1024 * 1024;

    // A refusal of our own, which the system has no words for.
    FileError Refused(int number, const char* description, FileSide side = FileSide::None)
    {
        FileError error;
        error.number = number;
        error.description = QString::fromLatin1(description);
        error.side = side;
        return error;
    }

    FileError NotRegularFile()
    {
        return Refused(FileErrorNumber::PathFileAccessError,
            "Path/File access error (not a regular file)", FileSide::Original);
    }

    FileError InvalidName()
    {
        return Refused(
            FileErrorNumber::PathFileAccessError, "Path/File access error (invalid file name)");
    }

    bool SameInode(const struct stat& first, const struct stat& second)
    {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
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
                return Refused(FileErrorNumber::PathFileAccessError,
                    "Path/File access error (the target is a folder)");
            return {};
        }
        // A link pointing nowhere still holds the name.
        if (!overwrite && errno == ENOENT && ::lstat(path.constData(), &info) == 0)
            return LinuxFileOperations::FromErrno(EEXIST);
        return {};
    }

    FileError TargetFolderMissing()
    {
        return Refused(
            FileErrorNumber::PathNotFound, "Path not found (the target folder does not exist)");
    }

    // Why the temporary file beside the target could not be made.
    FileError TempRefused(int error)
    {
        if (error == ENOENT)
            return TargetFolderMissing();
        if (error == EINVAL)
            return Refused(FileErrorNumber::PathFileAccessError,
                "Path/File access error (the target is not a file name)");
        return LinuxFileOperations::FromErrno(error, FileSide::Copy);
    }

} // namespace

FileError LinuxFileOperations::FromErrno(int error, FileSide side)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    const auto made = [&reason, side](int number, QLatin1String what) {
        return FileError { .number = number,
            .description = QStringLiteral("%1 (%2)").arg(what, reason),
            .side = side,
            .reason = reason,
            .leftover = {} };
    };
    switch (error) {
    case ENOENT:
        return made(FileErrorNumber::FileNotFound, QLatin1String("File not found"));
    case EEXIST:
        return made(FileErrorNumber::FileAlreadyExists, QLatin1String("File already exists"));
    case ENOSPC:
    case EDQUOT:
        return made(FileErrorNumber::DiskFull, QLatin1String("Disk full"));
    case EACCES:
    case EPERM:
    case EROFS:
        return made(FileErrorNumber::PermissionDenied, QLatin1String("Permission denied"));
    case ENOTDIR:
        return made(FileErrorNumber::PathNotFound, QLatin1String("Path not found"));
    default:
        return made(FileErrorNumber::PathFileAccessError, QLatin1String("Path/File access error"));
    }
}

std::unique_ptr<IFolderWatch> LinuxFileOperations::WatchFolder(const QString& folder) const
{
    auto watch = std::make_unique<LinuxFolderWatch>(folder);
    return watch->Watching() ? std::move(watch) : nullptr;
}

FileError LinuxFileOperations::MoveToTrash(const QString& path)
{
    return MoveToFreedesktopTrash(path);
}

FileError LinuxFileOperations::DeleteFile(const QString& path, bool force)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info { };
    if (::lstat(native.constData(), &info) != 0)
        return FromErrno(errno, FileSide::Original);
    if (S_ISDIR(info.st_mode))
        return Refused(FileErrorNumber::PathFileAccessError,
            "Path/File access error (it is a folder)", FileSide::Original);
    // A file nobody may write to is what other systems call read-only: it is kept unless the
    // caller forces the deletion. Root's ability to write anyway does not count. On a read-only
    // disk it is the disk, not the file, that the user has to be told about.
    const bool link = S_ISLNK(info.st_mode);
    const int writable = link ? 0 : ::access(native.constData(), W_OK);
    if (writable != 0 && errno == EROFS)
        return FromErrno(EROFS, FileSide::Original);
    const bool readOnly
        = !link && ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || writable != 0);
    if (readOnly && !force)
        return Refused(FileErrorNumber::PermissionDenied,
            "Permission denied (the file is read-only)", FileSide::Original);
    if (::unlink(native.constData()) != 0)
        return FromErrno(errno, FileSide::Original);
    return {};
}

FileError LinuxFileOperations::CopyFile(
    const QString& source, const QString& target, bool overwrite)
{
    const QByteArray targetPath = QFile::encodeName(target);
    // An embedded NUL would silently cut the path short and name some other file.
    if (source.contains(QChar(0)) || targetPath.contains('\0'))
        return InvalidName();
    const OpenedFile original = OpenRegularFile(source);
    if (!original.Ok())
        return original.error != 0 ? FromErrno(original.error, FileSide::Original)
                                   : NotRegularFile();
    bool sameFile = false;
    const FileError checked = CheckTarget(targetPath, original.info, overwrite, sameFile);
    // Copying a file onto itself through a temporary file would be harmless, but opening the
    // target for writing (as a naive copy does) would truncate the only copy.
    if (!checked.Ok() || sameFile)
        return checked;
    // Set-user/group-ID bits are dropped: a copy must not hand on anyone's privileges. The times
    // are set before the flush, so that one flush makes them durable with the bytes.
    const mode_t mode = original.info.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID);
    const struct timespec times[2] = { original.info.st_atim, original.info.st_mtim };
    const int sourceFd = original.fd.Get();
    return WriteThroughTemp(targetPath, overwrite, mode, [this, sourceFd, &times](int tempFd) {
        FileError result = CopyBytes(sourceFd, tempFd);
        if (result.Ok() && ::futimens(tempFd, times) != 0)
            result = FromErrno(errno, FileSide::Copy);
        return result;
    });
}

FileError LinuxFileOperations::WriteFile(const QString& path, const QByteArray& bytes)
{
    int error = 0;
    const QByteArray targetPath = ReplacementTarget(path, error);
    if (targetPath.contains('\0'))
        return InvalidName();
    if (error != 0)
        return FromErrno(error, FileSide::Copy);
    return WriteThroughTemp(targetPath, true, std::nullopt, [this, &bytes](int tempFd) {
        return WriteAll(tempFd, bytes.constData(), size_t(bytes.size()));
    });
}

FileError LinuxFileOperations::MakeFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0'))
        return InvalidName();
    const int error = MakePrivateFolders(native);
    return error == 0 ? FileError() : FromErrno(error, FileSide::Copy);
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

// The new file grows beside the target under a temporary name (careful_file.h) and is renamed
// into place only when it is complete and flushed; a failure at any step removes it.
FileError LinuxFileOperations::WriteThroughTemp(
    const QByteArray& targetPath, bool overwrite, std::optional<mode_t> mode, const Fill& fill)
{
    StagedFile staged;
    if (const int error = staged.Create(targetPath, Durability::UserData, mode); error != 0)
        return TempRefused(error);
    RemoveLeftoversOnce(staged.FolderFd());
    FileError result = fill(staged.Fd());
    if (const int error = result.Ok() ? staged.Finish() : 0; error != 0)
        result = FromErrno(error, FileSide::Copy);
    if (result.Ok())
        result = PlaceTemp(staged.FolderFd(), staged.Name(), targetPath, overwrite);
    if (result.Ok()) {
        staged.Placed();
        return result;
    }
    const QByteArray name = staged.Name();
    if (staged.Discard() != 0)
        result.leftover = QFile::decodeName(name);
    return result;
}

void LinuxFileOperations::RemoveLeftovers(const QString& folder)
{
    const FileDescriptor held(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!held.Valid())
        return;
    struct stat info { };
    if (::fstat(held.Get(), &info) == 0) {
        const std::lock_guard lock(swept_->lock);
        swept_->folders.emplace(info.st_dev, info.st_ino);
    }
    StagedFile::RemoveLeftovers(held.Get());
}

// A copy that a crash or a power cut cut short is cleared away by the next copy into its folder:
// once for each folder, which is as good as each time and spares listing a large folder again.
void LinuxFileOperations::RemoveLeftoversOnce(int folderFd)
{
    struct stat info { };
    if (::fstat(folderFd, &info) != 0)
        return;
    {
        const std::lock_guard lock(swept_->lock);
        if (!swept_->folders.emplace(info.st_dev, info.st_ino).second)
            return;
    }
    StagedFile::RemoveLeftovers(folderFd);
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
    // A name another program took meanwhile is no fault of the copy's.
    if (error == EEXIST)
        return FromErrno(error);
    return error == 0 ? FileError {} : FromErrno(error, FileSide::Copy);
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
            return FromErrno(errno, FileSide::Original);
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
            return FromErrno(errno, FileSide::Copy);
        // A write that makes no progress would loop for ever; the disk is as good as full.
        if (written == 0)
            return FromErrno(ENOSPC, FileSide::Copy);
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

StorageKind LinuxFileOperations::StorageKindOf(const QString& path) const
{
    return platform::StorageKindOf(path);
}

} // namespace gb::platform
