#include "formats/metafile_dib.h"

#include "formats/dib_header.h"
#include "formats/dib_reader.h"

namespace gb::formats {

namespace {

    // 64 MB decoded: more than any bitmap a picture of at most 8192 px a side makes use of.
    constexpr qint64 kMaxPixels = qint64(1) << 24;

    constexpr qint64 kColoursUsedField = 32;

} // namespace

// Always a 32-bit image: an indexed one with a short colour table would have Qt's painter read
// past the table, where our reader maps such indices to black.
std::optional<QImage> MetafileDib::Decode(const ByteView& info, const ByteView& bits)
{
    const auto header = DibHeader::Read(info);
    if (!header || header->width * qAbs(header->height) > kMaxPixels)
        return std::nullopt;
    return DecodeDib(info, bits);
}

std::optional<QImage> MetafileDib::DecodePacked(const ByteView& packed)
{
    const auto header = DibHeader::Read(packed);
    if (!header || !packed.Fits(0, header->InfoBytes()))
        return std::nullopt;
    const qint64 infoBytes = header->InfoBytes();
    return Decode(packed.Part(0, infoBytes), packed.Part(infoBytes, packed.Size() - infoBytes));
}

bool MetafileDib::HasTwoColours(const ByteView& info)
{
    const auto header = DibHeader::Read(info);
    return header && info.Fits(header->PaletteOffset(), 2 * header->PaletteEntryBytes());
}

std::optional<QImage> MetafileDib::DecodeTwoTone(
    const ByteView& info, const ByteView& bits, bool colourless)
{
    const auto header = DibHeader::Read(info);
    if (!header || header->bits != 1)
        return std::nullopt;
    QByteArray blackWhite(info.Data(), header->PaletteOffset());
    if (colourless) { // black for 0 bits, white for 1, and a count that takes both
        if (header->size >= DibHeader::kInfoSize)
            blackWhite.replace(kColoursUsedField, 4, QByteArray(4, '\0'));
        blackWhite += QByteArray(header->PaletteEntryBytes(), '\0');
        blackWhite += QByteArray(header->PaletteEntryBytes(), '\xff');
    }
    const auto image = Decode(colourless ? ByteView(blackWhite) : info, bits);
    if (!image)
        return std::nullopt;
    return image->convertToFormat(
        QImage::Format_Indexed8, { qRgb(0, 0, 0), qRgb(255, 255, 255) }, Qt::ThresholdDither);
}

} // namespace gb::formats
