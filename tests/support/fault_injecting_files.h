#pragma once

#include "platform/linux_file_operations.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>

namespace gb::test {

// The ways a copy can go wrong on a real machine.
enum class Fault {
    None,
    DiskFull, // a write gets half of its bytes down, then the disk is full
    WriteDenied, // a write is refused (EACCES), as on some network and FUSE file systems
    ReadOnlyAtRename, // the destination turns read-only (EROFS) just before the copy is named
    FolderVanishes, // another program renames the destination folder away mid-copy
    ReadError, // the source cannot be read (EIO): a failing card or disk
    Stall, // a read waits until the test releases `stall`: a share whose server went away
};

// What the user is told for each fault: the system's words.
inline const char* ReasonFor(Fault fault)
{
    constexpr const char* kReasons[] = { "", "No space left on device", "Permission denied",
        "Read-only file system", "Path not found", "Input/output error", "" };
    return kReasons[static_cast<int>(fault)];
}

// Where storage that stopped answering holds up whoever reaches it, until the test releases it.
class Stall {
public:
    void Hold()
    {
        std::unique_lock lock(mutex_);
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    // Until someone is held (false when no one came for a long while).
    bool WaitUntilHeld()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return held_; });
    }
    void Release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false, released_ = false;
};

// A disk that fills up (then writes nothing, like some FUSE), fails to read after `readable`
// bytes, moves data in short pieces between signals, or cannot rename without replacing.
struct DiskFaults {
    qint64 capacity = qint64(1) << 40, readable = qint64(1) << 40;
    size_t piece = size_t(1) << 40;
    bool interrupt = false, noReplace = false;
};

// The real file operations with the faults below switched on; configure before use.
class FaultInjectingFiles : public platform::LinuxFileOperations, public DiskFaults {
public:
    // One `fault`, in the copy (or write) numbered `failAt` (counting from 1) or, should that one
    // never reach the disk step the fault belongs to, the next that does. For FolderVanishes,
    // `destination` is renamed to `away`.
    Fault fault = Fault::None;
    int failAt = 1;
    QString destination, away;
    std::function<void()> meanwhile; // another program at work just before the next write
    qint64 written = 0, read = 0; // bytes that reached the disk, bytes read from it
    std::shared_ptr<Stall> stall = std::make_shared<Stall>(); // kept alive by whoever it holds

    bool Fired() const { return fired_; }

    platform::FileError CopyFile(
        const QString& source, const QString& target, bool overwrite) override
    {
        ++copies_;
        return LinuxFileOperations::CopyFile(source, target, overwrite);
    }
    platform::FileError WriteFile(const QString& path, const QByteArray& bytes) override
    {
        ++copies_;
        return LinuxFileOperations::WriteFile(path, bytes);
    }

protected:
    ssize_t WriteBytes(int fd, const char* data, size_t size) override
    {
        if (const auto other = std::exchange(meanwhile, nullptr))
            other();
        if (interrupt && calls_++ % 2 == 0)
            return errno = EINTR, -1;
        if (Due(Fault::DiskFull))
            capacity = written + qint64(size / 2); // half of this write still fits
        if (Due(Fault::WriteDenied))
            return errno = EACCES, -1;
        if (Due(Fault::FolderVanishes)
            && std::rename(QFile::encodeName(destination), QFile::encodeName(away)) != 0)
            return errno = EIO, -1; // cannot happen in a scratch folder: make it loud
        size = std::min({ size, piece, size_t(std::max<qint64>(capacity - written, 0)) });
        const ssize_t result = LinuxFileOperations::WriteBytes(fd, data, size);
        return written += std::max<ssize_t>(result, 0), result;
    }
    ssize_t ReadBytes(int fd, char* data, size_t size) override
    {
        if (Due(Fault::Stall))
            std::shared_ptr<Stall>(stall)->Hold();
        if (Due(Fault::ReadError) || read >= readable)
            return errno = EIO, -1;
        if (interrupt && calls_++ % 2 == 0)
            return errno = EINTR, -1;
        const ssize_t got = LinuxFileOperations::ReadBytes(fd, data, std::min(size, piece));
        return read += std::max<ssize_t>(got, 0), got;
    }
    int RenameAt(int folderFd, const char* tempName, const char* target, unsigned flags) override
    {
        if (Due(Fault::ReadOnlyAtRename))
            return errno = EROFS, -1;
        if (noReplace && flags != 0)
            return errno = EINVAL, -1;
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

    int copies_ = 0, calls_ = 0;
    bool fired_ = false;
};

} // namespace gb::test
