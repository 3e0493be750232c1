#pragma once

#include <QString>

namespace gb::platform {

// Where a folder's files are kept, as far as reading them costs.
enum class StorageKind {
    Local, // a disk of this machine: a read costs little more than its bytes
    Remote, // a network or user-space file system (NFS, SMB, FUSE, 9p …): each request pays a
            // round trip, so many should be in flight, and what was read once is worth keeping
};

// Asks the file system that holds `path`; Local when it cannot tell. Touches the storage, so it
// may block on a share that stopped answering: never call it on the window's thread. One of the
// platform's interfaces, a question with no state to inject: the platform library the program
// links answers it (storage_kind.cpp on Linux).
StorageKind StorageKindOf(const QString& path);

} // namespace gb::platform
