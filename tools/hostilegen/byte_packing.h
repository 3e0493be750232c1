#pragma once

#include <QByteArray>
#include <QtGlobal>

// Appending fixed-width numbers to a file under construction. The hostile files are written by
// hand because every interesting one breaks a rule a real encoder would never break.
namespace gb::tools {

inline void PutLe16(QByteArray& out, quint32 v)
{
    out.append(static_cast<char>(v & 0xff)).append(static_cast<char>((v >> 8) & 0xff));
}
inline void PutLe32(QByteArray& out, quint32 v)
{
    PutLe16(out, v & 0xffff);
    PutLe16(out, v >> 16);
}
inline void PutBe16(QByteArray& out, quint32 v)
{
    out.append(static_cast<char>((v >> 8) & 0xff)).append(static_cast<char>(v & 0xff));
}
inline void PutBe32(QByteArray& out, quint32 v)
{
    PutBe16(out, v >> 16);
    PutBe16(out, v & 0xffff);
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

// A fixed pseudo-random byte stream (a 32-bit LCG), so "noise" is the same on every run.
inline QByteArray Noise(qsizetype size, quint32 seed)
{
    QByteArray out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out.append(static_cast<char>(seed >> 24));
    }
    return out;
}

} // namespace gb::tools
