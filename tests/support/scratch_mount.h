#pragma once

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace gb::test {

// A small tmpfs on a folder for one test, to fill up or make read-only (mounting needs
// CAP_SYS_ADMIN; without it permissions still bind for non-root). It hides what was there.
class ScratchMount {
public:
    explicit ScratchMount(
        const QString& folder, const char* options = "size=1m", unsigned long flags = 0)
        : folder_(QFile::encodeName(folder))
    {
        mounted_ = ::geteuid() == 0
            && ::mount("tmpfs", folder_.constData(), "tmpfs", flags, options) == 0;
    }
    ~ScratchMount()
    {
        ::chmod(folder_.constData(), 0700);
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    bool Mounted() const { return mounted_; }

    // The errno every change in the folder now meets (EROFS or EACCES), or 0 when this process
    // cannot make it read-only.
    int MakeReadOnly() const
    {
        if (mounted_
            && ::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0)
            return EROFS;
        if (::geteuid() != 0 && ::chmod(folder_.constData(), 0555) == 0)
            return EACCES;
        return 0;
    }

    // Leaves about `room` bytes free in a file named "filler"; with none, every write fails.
    void Fill(qint64 room = 0) const
    {
        ASSERT_TRUE(mounted_);
        struct statvfs disk { };
        ASSERT_EQ(::statvfs(folder_.constData(), &disk), 0);
        qint64 left = room > 0 ? qint64(disk.f_bavail) * qint64(disk.f_frsize) - room
                               : std::numeric_limits<qint64>::max();
        const int fd = ::open(
            (folder_ + "/filler").constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const QByteArray chunk(64 * 1024, 'f');
        for (ssize_t wrote = 1; left > 0 && wrote > 0; left -= wrote)
            wrote = ::write(fd, chunk.constData(), size_t(std::min<qint64>(left, chunk.size())));
        ::close(fd);
    }

private:
    QByteArray folder_;
    bool mounted_ = false;
};

} // namespace gb::test
