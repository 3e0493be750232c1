#include "formats/metafile_dib.h"

#include <QtEndian>

namespace gb::formats {

namespace {

    constexpr quint32 kCoreHeader = 12, kInfoHeader = 40;
    constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;
    // 64 MB decoded: more than any bitmap a picture of at most 8192 px a side makes use of.
    constexpr qint64 kMaxPixels = qint64(1) << 24;

    struct DibLayout {
        quint32 headerSize = 0;
        qint64 width = 0;
        qint64 height = 0;
        quint32 bits = 0;
        quint32 compression = kRgb;
        quint32 imageSize = 0;
        qint64 infoSize = 0; // header, masks and colour table
    };

    std::optional<DibLayout> ReadLayout(const MetafileReader& info)
    {
        DibLayout d;
        d.headerSize = info.U32(0);
        if (d.headerSize == kCoreHeader && info.Fits(0, kCoreHeader)) {
            d.width = info.U16(4);
            d.height = info.U16(6);
            d.bits = info.U16(10);
            d.infoSize = kCoreHeader + (d.bits <= 8 ? 3 * (qint64(1) << d.bits) : 0);
            return d;
        }
        if (d.headerSize < kInfoHeader || d.headerSize > 1024 || !info.Fits(0, d.headerSize))
            return std::nullopt;
        d.width = info.S32(4);
        d.height = info.S32(8);
        d.bits = info.U16(14);
        d.compression = info.U32(16);
        d.imageSize = info.U32(20);
        const quint32 used = info.U32(32);
        if (used > 256 && d.bits <= 8)
            return std::nullopt;
        const qint64 colours = used != 0 ? used : d.bits <= 8 ? qint64(1) << d.bits : 0;
        const qint64 masks = d.headerSize == kInfoHeader && d.compression == kBitfields ? 12 : 0;
        d.infoSize = d.headerSize + masks + (d.bits <= 8 ? 4 * colours : 0);
        return d;
    }

    bool IsPlausible(const DibLayout& d)
    {
        const bool depthFits = d.bits == 1 || d.bits == 4 || d.bits == 8 || d.bits == 16
            || d.bits == 24 || d.bits == 32;
        const bool compressionFits = d.compression == kRgb
            || (d.compression == kRle8 && d.bits == 8) || (d.compression == kRle4 && d.bits == 4)
            || (d.compression == kBitfields && (d.bits == 16 || d.bits == 32));
        return depthFits && compressionFits && d.width > 0 && d.height != 0 && d.width <= 0xffff
            && qAbs(d.height) <= 0xffff && d.width * qAbs(d.height) <= kMaxPixels;
    }

    qint64 PixelBytes(const DibLayout& d)
    {
        if (d.compression == kRle4 || d.compression == kRle8)
            return d.imageSize;
        return (d.width * d.bits + 31) / 32 * 4 * qAbs(d.height);
    }

} // namespace

std::optional<QImage> MetafileDib::Decode(const MetafileReader& info, const MetafileReader& bits)
{
    const auto layout = ReadLayout(info);
    if (!layout || !IsPlausible(*layout) || !info.Fits(0, layout->infoSize))
        return std::nullopt;
    const qint64 pixelBytes = PixelBytes(*layout);
    if (pixelBytes <= 0 || pixelBytes > bits.Size())
        return std::nullopt;
    // Qt reads the bitmap once it has the file header a .bmp file would have.
    QByteArray bmp("BM");
    bmp.append(12, '\0');
    bmp.append(info.Data(), qsizetype(layout->infoSize));
    bmp.append(bits.Data(), qsizetype(pixelBytes));
    qToLittleEndian(quint32(bmp.size()), bmp.data() + 2);
    qToLittleEndian(quint32(14 + layout->infoSize), bmp.data() + 10);
    QImage image = QImage::fromData(bmp, "BMP");
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QImage> MetafileDib::DecodePacked(const MetafileReader& packed)
{
    const auto layout = ReadLayout(packed);
    if (!layout || !packed.Fits(0, layout->infoSize))
        return std::nullopt;
    return Decode(packed.Part(0, layout->infoSize),
        packed.Part(layout->infoSize, packed.Size() - layout->infoSize));
}

} // namespace gb::formats
