#include "formats/metafile_dib.h"

#include "formats/dib_header.h"

#include <QtEndian>

namespace gb::formats {

namespace {

    // 64 MB decoded: more than any bitmap a picture of at most 8192 px a side makes use of.
    constexpr qint64 kMaxPixels = qint64(1) << 24;
    constexpr qsizetype kFileHeaderSize = 14;

} // namespace

std::optional<QImage> MetafileDib::Decode(const ByteView& info, const ByteView& bits)
{
    const auto header = DibHeader::Read(info);
    if (!header || !header->IsPlausible() || header->width * qAbs(header->height) > kMaxPixels
        || !info.Fits(0, header->InfoBytes()))
        return std::nullopt;
    const qint64 infoBytes = header->InfoBytes(), pixelBytes = header->PixelBytes();
    if (pixelBytes <= 0 || pixelBytes > bits.Size())
        return std::nullopt;
    // Qt reads the bitmap once it has the file header a .bmp file would have.
    QByteArray bmp("BM");
    bmp.append(kFileHeaderSize - 2, '\0');
    bmp.append(info.Data(), qsizetype(infoBytes));
    bmp.append(bits.Data(), qsizetype(pixelBytes));
    qToLittleEndian(quint32(bmp.size()), bmp.data() + 2);
    qToLittleEndian(quint32(kFileHeaderSize + infoBytes), bmp.data() + 10);
    QImage image = QImage::fromData(bmp, "BMP");
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QImage> MetafileDib::DecodePacked(const ByteView& packed)
{
    const auto header = DibHeader::Read(packed);
    if (!header || !packed.Fits(0, header->InfoBytes()))
        return std::nullopt;
    const qint64 infoBytes = header->InfoBytes();
    return Decode(packed.Part(0, infoBytes), packed.Part(infoBytes, packed.Size() - infoBytes));
}

} // namespace gb::formats
