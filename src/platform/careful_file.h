#pragma once

// The one way this program opens, reads and replaces files. Photos live on slow network shares
// and on camera cards that can be pulled out mid-read; a pipe or a device can stand where a
// picture is expected. So: nothing but a regular file is ever opened, a read error is never taken
// for the end of the file, and a file is replaced whole or not at all.
//
// Replacing: the new content is written to a temporary file beside the target (a dot-name, made
// with O_EXCL; private, 0600, until it gets its final mode, except a new file of the user's, which
// the umask governs from the start as it will at the end), which is then renamed over the target,
// so a reader sees the old file or the new one, never a torn one, and a failure at any step
// removes the temporary file.
// How much survives a power cut is chosen per write (Durability). A target that is a symbolic link
// has the file it points to replaced, as QSaveFile does, and an existing file this program may not
// write is left alone (EACCES).

#include "platform/file_descriptor.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <sys/stat.h>

namespace gb::platform {

enum class Durability {
    // The user's files and the program's own settings: the file is flushed to the disk before it
    // is renamed and the folder after, so once the call returns, a power cut keeps the new
    // content. The replaced file's permissions are kept; a new file gets the umask's.
    UserData,
    // Caches (thumbnails): no flushing at all. A lost entry costs only the time to make it again,
    // and a crash cannot leave a torn one, because only a completely written file is ever
    // renamed into place; what a power cut may spoil, the cache's reader checks and refuses.
    // Entries are private to the user (0600).
    Cache,
};

// A regular file open for reading, or why not.
struct OpenedFile {
    FileDescriptor fd; // valid only when the file was opened
    struct stat info { }; // of the open descriptor
    // The errno of a failed stat or open (ENOENT for an empty path, EINVAL for one holding a
    // NUL). 0 with no descriptor: the path names something other than a regular file (a folder,
    // a pipe, a device, a socket), which was never opened.
    int error = 0;
    bool Ok() const { return fd.Valid(); }
};

// Opens `path` for reading only when it is a regular file (following links). A pipe or device is
// turned away before it is opened, since opening one can block or have side effects (a tape
// rewinds); the open descriptor is checked again in case the name was swapped in between.
OpenedFile OpenRegularFile(const QString& path);

// Appends the bytes from `offset` on, up to `length` of them (room for all is taken at once, so
// ask for what the file's size says). Returns 0 — with fewer bytes appended when the file ends
// sooner — or the errno of a failed read, and then appends nothing: an error is never an end.
int ReadAt(int fd, qint64 offset, qint64 length, QByteArray& into);

// The whole file from its start into `into` (replacing what it held): 0, the errno of a failed
// read, or EFBIG when it holds more than `limit` bytes.
int ReadAll(int fd, qint64 limit, QByteArray& into);

// Writes all of `size` bytes, going on after interruptions. 0 or an errno; a disk that takes no
// more bytes without saying why is full (ENOSPC).
int WriteAll(int fd, const char* data, qint64 size);

// Replaces the file `path` with `bytes`, as described at the top. 0 or an errno.
int ReplaceAtomically(const QString& path, const QByteArray& bytes, Durability durability);

// The same, with the content written by `fill` to the temporary file's descriptor; `fill`
// returns 0 or an errno, and with an errno nothing is replaced.
int ReplaceAtomically(
    const QString& path, Durability durability, const std::function<int(int fd)>& fill);

// The native path a replacement of `path` writes: through symbolic links to the file they point
// to. EACCES in `error` when an existing file there may not be written.
QByteArray ReplacementTarget(const QString& path, int& error);

// Makes the folder and any missing parents, each new one private to the user (exactly 0700, as
// the XDG base directories ask for the folders a program makes); folders already there are left
// as they are. 0 or an errno (ENOTDIR when a file stands in the way).
int MakePrivateFolders(const QByteArray& folder);

} // namespace gb::platform
