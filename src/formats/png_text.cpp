#include "formats/png_text.h"

#include "formats/byte_view.h"

#include <QtEndian>
#include <zlib.h>

namespace gb::formats {

namespace {

    const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);
    constexpr qsizetype kHeaderChunkEnd = 8 + 4 + 4 + 13 + 4; // signature, IHDR with its CRC
    constexpr qsizetype kMaxKeyword = 79;

    bool IsStorable(const PngText& entry)
    {
        const auto& [keyword, text] = entry;
        return !keyword.isEmpty() && keyword.size() <= kMaxKeyword && !keyword.contains('\0')
            && !text.contains('\0');
    }

    QByteArray Chunk(const QByteArray& type, const QByteArray& data)
    {
        QByteArray chunk(4, '\0');
        qToBigEndian(quint32(data.size()), chunk.data());
        chunk += type + data;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(chunk.constData() + 4);
        const uLong crc = crc32(crc32(0, nullptr, 0), typeAndData, uInt(chunk.size() - 4));
        chunk.resize(chunk.size() + 4);
        qToBigEndian(quint32(crc), chunk.data() + chunk.size() - 4);
        return chunk;
    }

} // namespace

QByteArray WithPngText(const QByteArray& png, const QList<PngText>& entries)
{
    const ByteView bytes(png, ByteOrder::BigEndian);
    if (!png.startsWith(kSignature) || !bytes.Fits(0, kHeaderChunkEnd) || bytes.U32(8) != 13
        || png.mid(12, 4) != "IHDR")
        return {};
    QByteArray text;
    for (const PngText& entry : entries) {
        if (!IsStorable(entry))
            return {};
        text += Chunk("tEXt", entry.first + '\0' + entry.second);
    }
    return png.left(kHeaderChunkEnd) + text + png.mid(kHeaderChunkEnd);
}

} // namespace gb::formats
