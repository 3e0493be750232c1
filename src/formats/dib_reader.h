#pragma once

#include "formats/byte_view.h"

#include <QImage>
#include <optional>

namespace gb::formats {

struct DibHeader;

// Our own reader of device-independent bitmaps: .bmp/.rle files, packed .dib files, metafile
// and icon bitmaps. It decodes every depth and compression Windows writes (palettes of 1, 4 and
// 8 bits, RLE4/RLE8, 16/32-bit colour masks of any width, 24-bit), bottom-up and top-down rows,
// and OS/2 headers.
//
// The result is Format_ARGB32 (not premultiplied) when the bitmap has an alpha mask or lacks
// pixels (cut short, RLE runs that skip or stop early: those pixels are 0, fully transparent),
// else Format_RGB32. nullopt for what no decoder shows: an unknown header, depth or
// compression, or a size the data cannot honestly claim.

// `info` holds the header, any colour masks and the colour table; colours it lacks are black.
// `bits` holds the pixel rows or the RLE stream.
std::optional<QImage> DecodeDib(const ByteView& info, const ByteView& bits);
// The same with a header the caller has read and adjusted, as icons need.
std::optional<QImage> DecodeDib(
    const DibHeader& header, const ByteView& info, const ByteView& bits);
// A packed DIB: header, masks and colour table, then the pixels.
std::optional<QImage> DecodePackedDib(const ByteView& packed);
// A whole .bmp file: the 14-byte "BM" file header, then a DIB. The pixels start at the file
// header's offset when it lies between the header and the end (inside the colour table too: the
// table is still read whole), else right after the colour table. A JPEG or PNG stream inside is
// decoded by Qt.
std::optional<QImage> DecodeBmpFile(const ByteView& file);

// Number of bytes at the start of a .bmp file that hold all of its picture, as its headers
// claim: what a loader needs to read of a huge file. 0 when the headers are unreadable.
qint64 BmpFileBytesNeeded(const ByteView& head, qint64 fileSize);

} // namespace gb::formats
