#pragma once

#include "platform/linux_file_operations.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>

namespace gb::test {

// The ways a copy or a delete can go wrong on a real machine.
enum class Fault {
    None,
    DiskFull, // a write gets half of its bytes down, then the disk is full
    WriteDenied, // a write is refused (EACCES), as on some network and FUSE file systems
    ReadOnlyAtRename, // the destination turns read-only (EROFS) just before the copy is named
    FolderVanishes, // another program renames the destination folder away mid-copy
    ReadError, // the source cannot be read (EIO): a failing card or disk
};

// What the user is told for each fault.
inline const char* ReasonFor(Fault fault)
{
    constexpr const char* kReasons[] = { "", "Disk full", "Permission denied", "Permission denied",
        "Path not found", "Input/output error" };
    return kReasons[static_cast<int>(fault)];
}

// The real file operations with faults switched on by the fields below; with none set it is
// the plain Linux implementation. Configure before handing it to the code under test.
class FaultInjectingFiles : public platform::LinuxFileOperations {
public:
    // One `fault`, in the copy numbered `failAt` (counting from 1) or, should that one never
    // reach the disk step the fault belongs to, the next that does. For FolderVanishes,
    // `destination` is renamed to `away`.
    Fault fault = Fault::None;
    int failAt = 1;
    QString destination, away;
    // A disk that fills up: writes beyond this many bytes in total fail with ENOSPC.
    qint64 capacity = std::numeric_limits<qint64>::max();
    // Short and interrupted writes, as a pipe, a network file system or a signal make them.
    size_t largestWrite = std::numeric_limits<size_t>::max();
    bool interruptEveryOtherWrite = false;
    // Another program creates this file just before the next write (then it is cleared).
    QString racer;
    // Deleting anything directly inside this folder fails as on a read-only file system.
    QString readOnlyFolder;
    // Bytes that reached the disk so far; a test may reset it to measure one copy.
    qint64 written = 0;

    bool Fired() const { return fired_; }

    platform::FileError CopyFile(
        const QString& source, const QString& target, bool overwrite) override
    {
        ++copies_;
        return LinuxFileOperations::CopyFile(source, target, overwrite);
    }
    platform::FileError DeleteFile(const QString& path, bool force = false) override
    {
        if (!readOnlyFolder.isEmpty() && QFileInfo(path).absolutePath() == readOnlyFolder
            && QFileInfo(path).exists())
            return FromErrno(EROFS);
        return LinuxFileOperations::DeleteFile(path, force);
    }

protected:
    ssize_t WriteBytes(int fd, const char* data, size_t size) override
    {
        if (!racer.isEmpty()) {
            QFile other(std::exchange(racer, QString()));
            EXPECT_TRUE(
                other.open(QIODevice::NewOnly) && other.write("the other program's file") > 0);
        }
        if (interruptEveryOtherWrite && writes_++ % 2 == 0)
            return errno = EINTR, -1;
        if (Due(Fault::DiskFull))
            capacity = written + qint64(size / 2); // half of this write still fits
        if (Due(Fault::WriteDenied))
            return errno = EACCES, -1;
        if (Due(Fault::FolderVanishes)
            && std::rename(QFile::encodeName(destination), QFile::encodeName(away)) != 0)
            return errno = EIO, -1; // cannot happen in a scratch folder: make it loud
        if (written >= capacity)
            return errno = ENOSPC, -1;
        size = std::min({ size, largestWrite, size_t(capacity - written) });
        const ssize_t result = LinuxFileOperations::WriteBytes(fd, data, size);
        written += std::max<ssize_t>(result, 0);
        return result;
    }
    ssize_t ReadBytes(int fd, char* data, size_t size) override
    {
        if (Due(Fault::ReadError))
            return errno = EIO, -1;
        return LinuxFileOperations::ReadBytes(fd, data, size);
    }
    int RenameAt(int folderFd, const char* tempName, const char* target, unsigned flags) override
    {
        if (Due(Fault::ReadOnlyAtRename))
            return errno = EROFS, -1;
        return LinuxFileOperations::RenameAt(folderFd, tempName, target, flags);
    }

private:
    bool Due(Fault step)
    {
        if (step != fault || fired_ || copies_ < failAt)
            return false;
        fired_ = true;
        return true;
    }

    int copies_ = 0;
    int writes_ = 0;
    bool fired_ = false;
};

} // namespace gb::test
