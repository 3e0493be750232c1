#pragma once

#include "platform/linux_file_operations.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>

namespace gb::test {

// The ways a copy can go wrong on a real machine.
enum class Fault {
    DiskFull, // a write gets half of the bytes down, then the disk is full
    WriteDenied, // a write is refused (EACCES), as on some network and FUSE file systems
    ReadOnlyAtRename, // the destination turns read-only (EROFS) just before the copy is named
    FolderVanishes, // another program renames the destination folder away mid-copy
    ReadError, // the source cannot be read (EIO): a failing card or disk
};

// The real file operations with one fault: at the disk step the fault belongs to, in the copy
// numbered `failAt` (counting from 1) or, if that one never gets that far, the next that does.
// `destination` is renamed to `away` when the folder is to vanish.
class InjectedFault : public platform::LinuxFileOperations {
public:
    InjectedFault(Fault fault, int failAt, QString destination, QString away)
        : fault_(fault)
        , failAt_(failAt)
        , destination_(QFile::encodeName(destination))
        , away_(QFile::encodeName(away))
    {
    }
    platform::FileError CopyFile(
        const QString& source, const QString& target, bool overwrite) override
    {
        ++copies_;
        return LinuxFileOperations::CopyFile(source, target, overwrite);
    }
    bool Fired() const { return fired_; }

protected:
    ssize_t WriteBytes(int fd, const char* data, size_t size) override
    {
        if (diskFull_)
            return errno = ENOSPC, -1;
        if (Due(Fault::DiskFull)) {
            // Half of the picture still fits.
            diskFull_ = true;
            return LinuxFileOperations::WriteBytes(fd, data, size / 2);
        }
        if (Due(Fault::WriteDenied))
            return errno = EACCES, -1;
        if (Due(Fault::FolderVanishes)) {
            EXPECT_EQ(::rename(destination_.constData(), away_.constData()), 0);
        }
        return LinuxFileOperations::WriteBytes(fd, data, size);
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
        if (step != fault_ || fired_ || copies_ < failAt_)
            return false;
        fired_ = true;
        return true;
    }

    const Fault fault_;
    const int failAt_;
    const QByteArray destination_;
    const QByteArray away_;
    int copies_ = 0;
    bool fired_ = false;
    bool diskFull_ = false;
};

// What the user is told for each fault.
inline const char* ReasonFor(Fault fault)
{
    switch (fault) {
    case Fault::DiskFull:
        return "Disk full";
    case Fault::WriteDenied:
    case Fault::ReadOnlyAtRename:
        return "Permission denied";
    case Fault::FolderVanishes:
        return "Path not found";
    case Fault::ReadError:
        return "Input/output error";
    }
    return "";
}

} // namespace gb::test
