#pragma once

#include "platform/file_operations.h"

namespace gb::platform {

// A folder watched through inotify: its entries made, removed, moved in or out, written and
// closed, or changed in their attributes (a touch).
class LinuxFolderWatch : public IFolderWatch {
public:
    // Check Watching() before use.
    explicit LinuxFolderWatch(const QString& folder);
    ~LinuxFolderWatch() override;
    LinuxFolderWatch(const LinuxFolderWatch&) = delete;
    LinuxFolderWatch& operator=(const LinuxFolderWatch&) = delete;

    bool Watching() const { return watch_ >= 0; }
    int Descriptor() const override { return fd_; }
    FolderChanges TakeChanges() override;

private:
    int fd_ = -1;
    int watch_ = -1;
};

} // namespace gb::platform
