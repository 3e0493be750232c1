#pragma once

#include "formats/byte_view.h"

#include <QImage>
#include <optional>

namespace gb::formats {

// The bitmap of one image in an .ico or .cur file: a DIB whose header gives twice the image's
// height, its colours, then a 1-bit AND mask (rows padded to 4 bytes) where 1 marks a
// transparent pixel. A 32-bit image carries alpha in its fourth byte instead, unless every
// such byte is 0. The header's size and depth count, whatever the directory says.
// nullopt when the bitmap is no DIB we read (a PNG payload among them).
std::optional<QImage> DecodeIconBitmap(const ByteView& payload);

} // namespace gb::formats
