#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <sys/mount.h>
#include <unistd.h>

namespace gb::test {

// A small tmpfs on a folder for one test. Needs root with CAP_SYS_ADMIN, which a container
// often lacks.
class ScratchMount {
public:
    ScratchMount(const QString& folder, const char* options, unsigned long flags = 0)
        : folder_(QFile::encodeName(folder))
    {
        mounted_ = ::geteuid() == 0
            && ::mount("tmpfs", folder_.constData(), "tmpfs", flags, options) == 0;
    }
    ~ScratchMount()
    {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    bool Mounted() const { return mounted_; }

private:
    QByteArray folder_;
    bool mounted_ = false;
};

} // namespace gb::test
