#pragma once

#include "platform/careful_file.h"

#include <QByteArray>
#include <optional>
#include <sys/types.h>

namespace gb::platform {

// A file's new content, written under a temporary name beside the file it will replace (see
// careful_file.h). The folder is held open, so the temporary file can still be removed should the
// folder be renamed or moved meanwhile: a path would then name nothing, and a half-written file
// would stay behind. Unless Placed() is called, the temporary file is removed on destruction.
//
// While the file is ours to write, we hold an open-file-description lock on it: that is how a
// sweep of the folder tells a file a copy still writes (in this run, a run that stopped on a
// stalled share, or another instance) from one whose writer is gone (a crash, an exit, storage
// that failed), whatever its age. The lock goes with the last descriptor, so with the process.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();

    // Creates the temporary file beside `target`. With `mode` it is private (0600) until Finish
    // gives it that mode; without, Durability decides (careful_file.h). 0 or an errno: ENOENT
    // when the target's folder is missing, ENAMETOOLONG and EINVAL for a target that is no file
    // name.
    int Create(
        const QByteArray& target, Durability durability, std::optional<mode_t> mode = std::nullopt);
    int Fd() const { return fd_.Get(); }
    int FolderFd() const { return folder_.Get(); }
    const QByteArray& Name() const { return name_; }

    // Gives the file its final mode, flushes it to the disk for user data and closes it. 0 or an
    // errno; a delayed write error (network file systems) may only surface here.
    int Finish();
    // Renames the temporary file to `target` (replacing what is there) and records it. 0 or an
    // errno.
    int Place(const QByteArray& target);
    // Records that the file has been renamed into place and, for user data, makes the new name
    // itself survive a power cut.
    void Placed();
    // Removes the temporary file now (the destructor does it otherwise). 0 or the errno of the
    // failed removal, which leaves the file to the next sweep of its folder.
    int Discard();

    // Removes temporary files of ours from the folder that nobody writes any more: named exactly
    // as Create names them, and unlocked (where the file system keeps locks) or else older than
    // any copy still running could be.
    static void RemoveLeftovers(int folderFd);

private:
    FileDescriptor folder_;
    FileDescriptor fd_;
    FileDescriptor lock_; // shares fd_'s lock, so it outlives Finish's close until placed
    QByteArray name_;
    Durability durability_ = Durability::UserData;
    std::optional<mode_t> mode_;
};

} // namespace gb::platform
