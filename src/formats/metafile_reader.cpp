#include "formats/metafile_reader.h"

#include <QtEndian>
#include <cstring>

namespace gb::formats {

MetafileReader::MetafileReader(const char* data, qsizetype size)
    : data_(data)
    , size_(data ? size : 0)
{
}

MetafileReader::MetafileReader(const QByteArray& bytes)
    : MetafileReader(bytes.constData(), bytes.size())
{
}

bool MetafileReader::Fits(qint64 offset, qint64 length) const
{
    return offset >= 0 && length >= 0 && offset <= size_ && length <= size_ - offset;
}

MetafileReader MetafileReader::Part(qint64 offset, qint64 length) const
{
    if (!Fits(offset, length))
        return {};
    return MetafileReader(data_ + offset, qsizetype(length));
}

quint8 MetafileReader::U8(qint64 at) const { return Fits(at, 1) ? quint8(data_[at]) : 0; }

quint16 MetafileReader::U16(qint64 at) const
{
    return Fits(at, 2) ? qFromLittleEndian<quint16>(data_ + at) : 0;
}

qint16 MetafileReader::S16(qint64 at) const
{
    return Fits(at, 2) ? qFromLittleEndian<qint16>(data_ + at) : 0;
}

quint32 MetafileReader::U32(qint64 at) const
{
    return Fits(at, 4) ? qFromLittleEndian<quint32>(data_ + at) : 0;
}

qint32 MetafileReader::S32(qint64 at) const
{
    return Fits(at, 4) ? qFromLittleEndian<qint32>(data_ + at) : 0;
}

float MetafileReader::F32(qint64 at) const
{
    const quint32 bits = U32(at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QRectF MetafileReader::Rect32(qint64 at) const
{
    return QRectF(QPointF(S32(at), S32(at + 4)), QPointF(S32(at + 8), S32(at + 12)));
}

} // namespace gb::formats
