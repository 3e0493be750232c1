#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// Fixed-width numbers appended to, or written over, a file under construction. The generators
// write every file byte by byte, the hostile ones because each breaks a rule a real encoder
// would never break.
namespace gb::tools {

enum class ByteOrder { Little, Big };

inline void Put8(QByteArray& out, quint32 v) { out.append(static_cast<char>(v & 0xff)); }
inline void PutLe16(QByteArray& out, quint32 v)
{
    Put8(out, v);
    Put8(out, v >> 8);
}
inline void PutLe32(QByteArray& out, quint32 v)
{
    PutLe16(out, v & 0xffff);
    PutLe16(out, v >> 16);
}
inline void PutBe16(QByteArray& out, quint32 v)
{
    Put8(out, v >> 8);
    Put8(out, v);
}
inline void PutBe32(QByteArray& out, quint32 v)
{
    PutBe16(out, v >> 16);
    PutBe16(out, v & 0xffff);
}
inline void Put16(QByteArray& out, quint32 v, ByteOrder order)
{
    order == ByteOrder::Big ? PutBe16(out, v) : PutLe16(out, v);
}
inline void Put32(QByteArray& out, quint32 v, ByteOrder order)
{
    order == ByteOrder::Big ? PutBe32(out, v) : PutLe32(out, v);
}

inline void SetLe16(QByteArray& out, qsizetype at, quint32 v)
{
    out[at] = static_cast<char>(v & 0xff);
    out[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
inline void SetLe32(QByteArray& out, qsizetype at, quint32 v)
{
    SetLe16(out, at, v & 0xffff);
    SetLe16(out, at + 2, v >> 16);
}
inline void SetBe16(QByteArray& out, qsizetype at, quint32 v)
{
    out[at] = static_cast<char>((v >> 8) & 0xff);
    out[at + 1] = static_cast<char>(v & 0xff);
}

// Lists of little-endian numbers, as metafile records and their bitmaps are written.
inline QByteArray Bytes(const QList<int>& values) // 8-bit each
{
    QByteArray out;
    for (int v : values)
        Put8(out, static_cast<quint32>(v));
    return out;
}
inline QByteArray Words(const QList<qint32>& values) // 16-bit each
{
    QByteArray out;
    for (qint32 v : values)
        PutLe16(out, static_cast<quint32>(v));
    return out;
}
inline QByteArray Dwords(const QList<qint32>& values) // 32-bit each
{
    QByteArray out;
    for (qint32 v : values)
        PutLe32(out, static_cast<quint32>(v));
    return out;
}

} // namespace gb::tools
