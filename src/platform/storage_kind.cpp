#include "platform/storage_kind.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <sys/vfs.h>

namespace gb::platform {

namespace {

    // statfs's f_type of file systems whose files live elsewhere (linux/magic.h and the
    // file systems' own headers; not all of them are in magic.h).
    constexpr std::array<unsigned long, 13> kRemoteFileSystems {
        0x6969, // NFS
        0x517B, // SMB
        0xFF534D42, // CIFS
        0xFE534D42, // SMB2
        0x65735546, // FUSE (sshfs, rclone, gvfs, …)
        0x01021997, // 9p
        0x5346414F, // AFS
        0x00C36400, // Ceph
        0x73757245, // Coda
        0x564C, // NCP
        0x47504653, // GPFS
        0x0BD00BD0, // Lustre
        0x013111A8, // IBRIX
    };

} // namespace

StorageKind StorageKindOf(const QString& path)
{
    struct statfs info { };
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || ::statfs(native.constData(), &info) != 0)
        return StorageKind::Local;
    const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFUL;
    return std::find(kRemoteFileSystems.begin(), kRemoteFileSystems.end(), type)
            != kRemoteFileSystems.end()
        ? StorageKind::Remote
        : StorageKind::Local;
}

} // namespace gb::platform
