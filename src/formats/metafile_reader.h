#pragma once

#include <QByteArray>
#include <QPointF>
#include <QRectF>

namespace gb::formats {

// A read-only window onto part of a metafile. Every read is checked against the window's end: a
// read that does not fit yields zero, so callers test Fits() for a whole structure first and a
// mistake there can never turn into a read past the file.
class MetafileReader {
public:
    MetafileReader() = default;
    MetafileReader(const char* data, qsizetype size);
    explicit MetafileReader(const QByteArray& bytes);

    qsizetype Size() const { return size_; }
    const char* Data() const { return data_; }
    bool Fits(qint64 offset, qint64 length) const;
    // An empty window when the part does not fit.
    MetafileReader Part(qint64 offset, qint64 length) const;

    quint8 U8(qint64 at) const;
    quint16 U16(qint64 at) const;
    qint16 S16(qint64 at) const;
    quint32 U32(qint64 at) const;
    qint32 S32(qint64 at) const;
    float F32(qint64 at) const;

    QPointF Point16(qint64 at) const { return QPointF(S16(at), S16(at + 2)); }
    QPointF Point32(qint64 at) const { return QPointF(S32(at), S32(at + 4)); }
    // left, top, right, bottom as 32-bit values, as EMF stores rectangles.
    QRectF Rect32(qint64 at) const;

private:
    const char* data_ = nullptr;
    qsizetype size_ = 0;
};

} // namespace gb::formats
