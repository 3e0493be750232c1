#include "formats/dib_header.h"

#include <algorithm>
#include <array>

namespace gb::formats {

namespace {

    constexpr qint64 kMaxSide = 0xffff;
    constexpr quint32 kMaxPaletteEntries = 256;
    constexpr qint64 kSeparateMaskBytes = 12;

    // OS/2 2.x numbers its compressions alike up to RLE4; 3 and 4 mean Huffman and RLE24 there.
    DibHeader::Compression Os2Compression(quint32 stored)
    {
        return stored <= quint32(DibHeader::Compression::Rle4) ? DibHeader::Compression(stored)
                                                               : DibHeader::Compression::Unknown;
    }

} // namespace

std::optional<DibHeader> DibHeader::Read(const ByteView& bytes)
{
    DibHeader h;
    h.size = bytes.U32(0);
    if (h.size == kCoreSize) {
        if (!bytes.Fits(0, kCoreSize))
            return std::nullopt;
        h.width = bytes.U16(4);
        h.height = bytes.U16(6);
        h.planes = bytes.U16(8);
        h.bits = bytes.U16(10);
        return h;
    }
    static constexpr std::array known { kOs2ShortSize, kInfoSize, kV2Size, kV3Size, kOs2Size,
        kV4Size, kV5Size };
    if (std::find(known.begin(), known.end(), h.size) == known.end() || !bytes.Fits(0, h.size))
        return std::nullopt;
    h.width = bytes.S32(4);
    h.height = bytes.S32(8);
    h.planes = bytes.U16(12);
    h.bits = bytes.U16(14);
    if (h.size == kOs2ShortSize)
        return h;
    h.compression = Compression(bytes.U32(16));
    if (h.size == kOs2Size)
        h.compression = Os2Compression(bytes.U32(16));
    h.imageSize = bytes.U32(20);
    h.coloursUsed = bytes.U32(32);
    if (h.size >= kV2Size && h.size != kOs2Size) {
        h.redMask = bytes.U32(40), h.greenMask = bytes.U32(44), h.blueMask = bytes.U32(48);
        h.alphaMask = h.size >= kV3Size ? bytes.U32(52) : 0;
    } else if (h.size == kInfoSize) { // BI_BITFIELDS keeps them right after the header
        h.redMask = bytes.U32(40), h.greenMask = bytes.U32(44), h.blueMask = bytes.U32(48);
    }
    return h;
}

bool DibHeader::IsPlausible() const
{
    static constexpr std::array depths { 1u, 4u, 8u, 16u, 24u, 32u };
    const bool compressionFits = compression == Compression::Rgb
        || (compression == Compression::Rle8 && bits == 8)
        || (compression == Compression::Rle4 && bits == 4)
        || (compression == Compression::Bitfields && (bits == 16 || bits == 32));
    return width > 0 && height != 0 && width <= kMaxSide && qAbs(height) <= kMaxSide
        && std::find(depths.begin(), depths.end(), bits) != depths.end() && compressionFits
        && (bits > 8 || coloursUsed <= kMaxPaletteEntries);
}

bool DibHeader::EmbedsStream() const
{
    return compression == Compression::Jpeg || compression == Compression::Png;
}

qint64 DibHeader::PaletteOffset() const
{
    const bool separateMasks = size == kInfoSize && compression == Compression::Bitfields;
    return size + (separateMasks ? kSeparateMaskBytes : 0);
}

qint64 DibHeader::InfoBytes() const
{
    const qint64 entries = coloursUsed != 0 ? coloursUsed : bits <= 8 ? qint64(1) << bits : 0;
    return PaletteOffset() + entries * PaletteEntryBytes();
}

qint64 DibHeader::PixelBytes() const
{
    if (compression == Compression::Rle4 || compression == Compression::Rle8)
        return imageSize;
    return Stride() * qAbs(height);
}

} // namespace gb::formats
