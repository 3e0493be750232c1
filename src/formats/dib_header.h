#pragma once

#include "formats/byte_view.h"

#include <optional>

namespace gb::formats {

// The BITMAPINFOHEADER family at the start of a device-independent bitmap, as a .bmp file,
// a packed .dib and a metafile's embedded bitmaps all carry it, OS/2 variants included.
struct DibHeader {
    static constexpr quint32 kCoreSize = 12, kOs2ShortSize = 16, kInfoSize = 40, kV2Size = 52,
                             kV3Size = 56, kOs2Size = 64, kV4Size = 108, kV5Size = 124;
    // Unknown stands for what we never decode, such as OS/2's Huffman and RLE24 codes.
    enum class Compression : quint32 {
        Rgb = 0,
        Rle8 = 1,
        Rle4 = 2,
        Bitfields = 3,
        Jpeg = 4,
        Png = 5,
        Unknown = 0xffffffff
    };

    // The header when its size is one a decoder knows and all of it is there; nullopt else.
    // The masks a 40-byte header keeps after itself are read when `bytes` holds them.
    static std::optional<DibHeader> Read(const ByteView& bytes);

    // Whether our reader may be given it: a depth and compression that go together, a size of
    // at most 65535 a side, and no palette larger than the depth can index. The planes field is
    // not looked at: other decoders ignore it, and so do the programs that write it wrong.
    bool IsPlausible() const;
    // Whether the pixels are a JPEG or PNG stream of their own.
    bool EmbedsStream() const;
    // Header and colour masks: where the colour table starts.
    qint64 PaletteOffset() const;
    // 3 in the old OS/2 1.x / Windows 2 form, 4 (with a spare byte) in every other.
    int PaletteEntryBytes() const { return size == kCoreSize ? 3 : 4; }
    // Header, colour masks and colour table: where the pixels start in a packed bitmap.
    qint64 InfoBytes() const;
    // Bytes of one padded row of uncompressed pixels.
    qint64 Stride() const { return (width * bits + 31) / 32 * 4; }
    // What the rows take: the stored image size for RLE, else the padded rows.
    qint64 PixelBytes() const;

    quint32 size = 0;
    qint64 width = 0;
    qint64 height = 0; // negative: top-down rows
    quint32 planes = 0;
    quint32 bits = 0;
    Compression compression = Compression::Rgb;
    quint32 imageSize = 0;
    quint32 coloursUsed = 0;
    // Meaningful with Bitfields only; alphaMask is 0 when the header has none.
    quint32 redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
};

} // namespace gb::formats
