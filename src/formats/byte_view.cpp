#include "formats/byte_view.h"

#include <QtEndian>
#include <cstring>

namespace gb::formats {

ByteView::ByteView(const char* data, qsizetype size, ByteOrder order)
    : data_(data)
    , size_(data ? size : 0)
    , order_(order)
{
}

ByteView::ByteView(const QByteArray& bytes, ByteOrder order)
    : ByteView(bytes.constData(), bytes.size(), order)
{
}

ByteView ByteView::Part(qint64 offset, qint64 length) const
{
    if (!Fits(offset, length))
        return {};
    return ByteView(data_ + offset, qsizetype(length), order_);
}

quint16 ByteView::U16(qint64 at) const
{
    if (!Fits(at, 2))
        return 0;
    return order_ == ByteOrder::LittleEndian ? qFromLittleEndian<quint16>(data_ + at)
                                             : qFromBigEndian<quint16>(data_ + at);
}

quint32 ByteView::U32(qint64 at) const
{
    if (!Fits(at, 4))
        return 0;
    return order_ == ByteOrder::LittleEndian ? qFromLittleEndian<quint32>(data_ + at)
                                             : qFromBigEndian<quint32>(data_ + at);
}

float ByteView::F32(qint64 at) const
{
    const quint32 bits = U32(at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QRectF ByteView::Rect32(qint64 at) const
{
    return QRectF(QPointF(S32(at), S32(at + 4)), QPointF(S32(at + 8), S32(at + 12)));
}

} // namespace gb::formats
