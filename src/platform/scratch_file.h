#pragma once

#include <QByteArray>
#include <memory>

namespace gb::platform {

// A private file for bytes the program only parks for a while, such as the tiles of cells far
// from the screen: readable by us alone and never linked into a folder, so it goes with the
// process however that ends. Written and read by offset. Every call may wait on the disk: a
// window uses it from a worker only, and one file from one thread at a time.
class IScratchFile {
public:
    virtual ~IScratchFile() = default;
    // 0, or the errno of the failed write (ENOSPC on a full disk).
    virtual int WriteAt(qint64 offset, const QByteArray& bytes) = 0;
    // Appends the `length` bytes from `offset` on to `into`: 0, or the errno of the failed read
    // (EIO when the file ends before them); nothing is appended then.
    virtual int ReadAt(qint64 offset, qint64 length, QByteArray& into) = 0;
};

// Where scratch files are made. Safe to call from any thread.
class IScratchSpace {
public:
    virtual ~IScratchSpace() = default;
    // A new, empty scratch file; nullptr with `error` set to the errno when none can be made.
    virtual std::unique_ptr<IScratchFile> Create(int& error) const = 0;
};

} // namespace gb::platform
