#pragma once

#include "formats/byte_view.h"

#include <optional>

namespace gb::formats {

// The BITMAPINFOHEADER family at the start of a device-independent bitmap, as a .bmp file,
// a packed .dib and a metafile's embedded bitmaps all carry it.
struct DibHeader {
    static constexpr quint32 kCoreSize = 12, kInfoSize = 40, kV2Size = 52, kV3Size = 56,
                             kOs2Size = 64, kV4Size = 108, kV5Size = 124;
    enum class Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, Bitfields = 3 };

    // The header when its size is one a decoder knows and all of it is there; nullopt else.
    static std::optional<DibHeader> Read(const ByteView& bytes);

    // Whether a decoder may be given it: a depth and compression that go together, a size of at
    // most 65535 a side, and no palette larger than the depth can index.
    bool IsPlausible() const;
    // Header, colour masks and colour table: where the pixels start in a packed bitmap.
    qint64 InfoBytes() const;
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
};

} // namespace gb::formats
