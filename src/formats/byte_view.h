#pragma once

#include <QByteArray>
#include <QPointF>
#include <QRectF>

namespace gb::formats {

enum class ByteOrder { LittleEndian, BigEndian };

// A read-only window onto bytes we do not control: a file, a record, a segment. Every read is
// checked against the window's end: a read that does not fit yields zero, so callers test Fits()
// for a whole structure first and a mistake there can never turn into a read past the file.
// Windows reads little-endian; a TIFF block may say otherwise.
class ByteView {
public:
    ByteView() = default;
    ByteView(const char* data, qsizetype size, ByteOrder order = ByteOrder::LittleEndian);
    explicit ByteView(const QByteArray& bytes, ByteOrder order = ByteOrder::LittleEndian);

    qsizetype Size() const { return size_; }
    const char* Data() const { return data_; }
    bool Fits(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= size_ && length <= size_ - offset;
    }
    // An empty window when the part does not fit.
    ByteView Part(qint64 offset, qint64 length) const;

    // Inline: the bitmap reader makes one call per byte of every row.
    quint8 U8(qint64 at) const { return Fits(at, 1) ? quint8(data_[at]) : 0; }
    quint16 U16(qint64 at) const;
    qint16 S16(qint64 at) const { return qint16(U16(at)); }
    quint32 U32(qint64 at) const;
    qint32 S32(qint64 at) const { return qint32(U32(at)); }
    float F32(qint64 at) const;

    QPointF Point16(qint64 at) const { return QPointF(S16(at), S16(at + 2)); }
    QPointF Point32(qint64 at) const { return QPointF(S32(at), S32(at + 4)); }
    // left, top, right, bottom as 32-bit values, as EMF stores rectangles.
    QRectF Rect32(qint64 at) const;

private:
    const char* data_ = nullptr;
    qsizetype size_ = 0;
    ByteOrder order_ = ByteOrder::LittleEndian;
};

} // namespace gb::formats
