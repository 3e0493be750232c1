#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace gb::platform {

// The classic error numbers a file operation reports, as users and old scripts know them.
namespace FileErrorNumber {
    inline constexpr int FileNotFound = 53;
    inline constexpr int FileAlreadyExists = 58;
    inline constexpr int DiskFull = 61;
    inline constexpr int PermissionDenied = 70;
    inline constexpr int PathFileAccessError = 75;
    inline constexpr int PathNotFound = 76;
}

// Which file a failed operation was working on when it failed.
enum class FileSide {
    None, // not known, or no file was touched yet (a name already taken, a missing folder)
    Original, // reading (or deleting) the user's file
    Copy, // writing the copy: creating, writing, flushing, closing or naming it
};

// The outcome of one file operation: number 0 on success, otherwise one of FileErrorNumber and a
// sentence saying what went wrong; `side` and the system's own words (`reason`, as strerror gives
// them) when the system refused a step.
struct FileError {
    int number = 0;
    QString description;
    FileSide side = FileSide::None;
    QString reason;
    // The name of a partial copy of ours that could not be removed (storage that failed), left
    // in the target's folder for the next sweep of it; "" when none.
    QString leftover;
    bool Ok() const { return number == 0; }
};

// What tells one version of a file from the next: a rewrite changes the size or the modification
// time, a replacement (even by a copy keeping both) the inode.
struct FileStamp {
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
};

// Where a folder's files are kept, as far as reading them costs.
enum class StorageKind {
    Local, // a disk of this machine: a read costs little more than its bytes
    Remote, // a network or user-space file system (NFS, SMB, FUSE, 9p …): each request pays a
            // round trip, so many should be in flight, and what was read once is worth keeping
};

// What changed in a watched folder since it was last asked.
struct FolderChanges {
    QStringList names; // entries made, removed, renamed (either name), written or touched
    bool overflowed = false; // more than the system could keep: read the whole folder again
};

// Hears of changes to one folder's entries made by any program on this machine.
class IFolderWatch {
public:
    virtual ~IFolderWatch() = default;
    // Becomes readable when something changed.
    virtual int Descriptor() const = 0;
    virtual FolderChanges TakeChanges() = 0;
};

// The user's files: changes that either happen completely or not at all, and what the program
// needs to know about a file beyond its content. The const members are safe to call from several
// threads at once.
class IFileOperations {
public:
    virtual ~IFileOperations() = default;
    // Deletes a file for good (no trash). Without `force` a read-only file (no write permission)
    // is refused.
    virtual FileError DeleteFile(const QString& path, bool force = false) = 0;
    // Moves the file to the desktop's Trash, where the person can put it back; fails, leaving
    // it where it is, when no Trash on its own disk can take it.
    virtual FileError MoveToTrash(const QString& path) = 0;
    // Copies `source` byte for byte to `target`, keeping its modification time. The copy is
    // written beside the target under a temporary name and renamed into place only when it is
    // complete and flushed, so a failure (disk full, permission, vanished source) leaves no
    // partial file and the source untouched. Without `overwrite` an existing target is never
    // replaced, not even one that appears while the copy runs (error 58). Copying a file onto
    // itself (the same path, or the same file through a link) succeeds and changes nothing.
    virtual FileError CopyFile(const QString& source, const QString& target, bool overwrite) = 0;
    // Replaces the file `path` with `bytes` as CopyFile places a copy: whole or not at all, and
    // flushed to the disk before it is renamed into place. A link is followed to the file it
    // names; the replaced file's permissions are kept; a file nobody may write to is refused.
    virtual FileError WriteFile(const QString& path, const QByteArray& bytes) = 0;
    // Removes from `folder` the temporary files of copies of ours that are no longer at work (cut
    // short by a crash, an exit, or storage that failed; never one a copy still writes, in this
    // run or another). Blocks as any access to the folder does.
    virtual void RemoveLeftovers(const QString& folder) = 0;
    // Makes the folder `path` and any missing parents, each new one private to the user (0700);
    // folders already there are left as they are. The error says why one could not be made.
    virtual FileError MakeFolder(const QString& path) = 0;
    // Whether two paths name the same existing file (the same path, or through links).
    virtual bool IsSameFile(const QString& first, const QString& second) = 0;
    // Whether this program may read `path` now, as the system decides it (permissions, and an
    // administrator's rights); false when nothing is there.
    virtual bool IsReadable(const QString& path) const = 0;
    // The stamp of the file `path` names (through links); nullopt when there is nothing to stamp:
    // an empty path, a missing file or one whose folder may not be searched.
    virtual std::optional<FileStamp> StampOf(const QString& path) const = 0;
    // Asks the file system that holds `path`; Local when it cannot tell. May block on a share
    // that stopped answering: never on a window's thread.
    virtual StorageKind StorageKindOf(const QString& path) const = 0;
    // Watches the entries of `folder`, a folder on a local disk (a share hears nothing of what
    // other machines change); nullptr when it cannot be watched.
    virtual std::unique_ptr<IFolderWatch> WatchFolder(const QString& folder) const = 0;
};

} // namespace gb::platform
