#pragma once

#include <QByteArray>
#include <QtGlobal>

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

} // namespace gb::formats
