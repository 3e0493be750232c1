#include "platform/linux_file_operations.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace gb::platform {

FileError LinuxFileOperations::FromErrno(int error)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
    case ENOENT:
        return { 53, QStringLiteral("File not found (%1)").arg(reason) };
    case EEXIST:
        return { 58, QStringLiteral("File already exists (%1)").arg(reason) };
    case ENOSPC:
    case EDQUOT:
        return { 61, QStringLiteral("Disk full (%1)").arg(reason) };
    case EACCES:
    case EPERM:
    case EROFS:
        return { 70, QStringLiteral("Permission denied (%1)").arg(reason) };
    case ENOTDIR:
        return { 76, QStringLiteral("Path not found (%1)").arg(reason) };
    default:
        return { 75, QStringLiteral("Path/File access error (%1)").arg(reason) };
    }
}

FileError LinuxFileOperations::DeleteFile(const QString& path, bool force)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info { };
    if (::lstat(native.constData(), &info) != 0)
        return FromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return { 75, QStringLiteral("Path/File access error (it is a folder)") };
    // A file nobody may write to is what other systems call read-only: it is kept unless the
    // caller forces the deletion. Root's ability to write anyway does not count.
    const bool readOnly = !S_ISLNK(info.st_mode)
        && ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0
            || ::access(native.constData(), W_OK) != 0);
    if (readOnly && !force)
        return { 70, QStringLiteral("Permission denied (the file is read-only)") };
    if (::unlink(native.constData()) != 0)
        return FromErrno(errno);
    return {};
}

} // namespace gb::platform
