#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>
#include <map>

namespace gb::formats {

// The bytes of one file, read as a decoder needs them: from disk, where a camera RAW's preview
// can be taken without reading the whole file, or from memory. Reads may come from any offset in
// any order. One source serves one decode on one thread.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The file's size when it was opened.
    virtual qint64 Size() const = 0;
    // Appends the bytes from `offset` up to `length` of them, fewer only where the file ends.
    // False when the read failed or the file changed since it was opened: what was read may then
    // be wrong, so the caller gives up on the file and reports it unreadable, not damaged.
    virtual bool Read(qint64 offset, qint64 length, QByteArray& into) = 0;
};

// Up to `length` bytes of a file from `offset`; fewer (or none) at its end.
using ReadBytes = std::function<QByteArray(qint64 offset, qint64 length)>;

// Bytes already in memory; a read never fails.
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(QByteArray bytes)
        : bytes_(std::move(bytes))
    {
    }
    qint64 Size() const override { return bytes_.size(); }
    bool Read(qint64 offset, qint64 length, QByteArray& into) override;

private:
    QByteArray bytes_;
};

// Another source whose every byte is fetched from it once: what was read is kept, and a later read
// takes what it can from there and fetches only the gaps. A decode looks at the head of a file
// several times over (its type, its Exif block, LibRaw's own look), and on a share each look would
// cross the network again. Small reads are kept up to a bound; a large one (a whole picture) goes
// straight into the caller's array, never held twice. A failed read fails as the source's did.
class KeptByteSource : public ByteSource {
public:
    explicit KeptByteSource(ByteSource& source)
        : source_(source)
    {
    }
    qint64 Size() const override { return source_.Size(); }
    bool Read(qint64 offset, qint64 length, QByteArray& into) override;

private:
    // Fetches what no kept read holds; false when the source's read failed.
    bool Fetch(qint64 offset, qint64 length, QByteArray& into);

    ByteSource& source_;
    std::map<qint64, QByteArray> kept_; // by offset; no two overlap
    qint64 keptBytes_ = 0;
};

} // namespace gb::formats
