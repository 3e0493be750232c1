#include "platform/linux_folder_watch.h"

#include <QFile>
#include <array>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace gb::platform {

LinuxFolderWatch::LinuxFolderWatch(const QString& folder)
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (fd_ < 0)
        return;
    watch_ = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB
            | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
}

LinuxFolderWatch::~LinuxFolderWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FolderChanges LinuxFolderWatch::TakeChanges()
{
    FolderChanges changes;
    alignas(inotify_event) std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const char* name = buffer.data() + at + sizeof(inotify_event);
            if (event.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF))
                changes.overflowed = true; // the folder itself went: read it again
            else if (event.len > 0 && !(event.mask & IN_ISDIR))
                changes.names << QFile::decodeName(
                    QByteArray(name, int(::strnlen(name, event.len))));
            at += ssize_t(sizeof(inotify_event) + event.len);
        }
    }
    changes.names.removeDuplicates();
    return changes;
}

} // namespace gb::platform
