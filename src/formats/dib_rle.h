#pragma once

#include "formats/byte_view.h"

#include <QImage>
#include <array>

namespace gb::formats {

// A bitmap's colour table as opaque colours; indices past the stored table are black.
using DibPalette = std::array<QRgb, 256>;

// Draws an RLE8 (or, with `nibbles`, RLE4) stream into `image`, which must be Format_ARGB32
// and all 0: pixels the stream never reaches stay transparent. Runs past the right edge are
// clipped; a delta or row past the last one ends it like the end code. Returns how many
// pixels were drawn.
qint64 DrawRle(
    const ByteView& stream, bool nibbles, bool topDown, const DibPalette& palette, QImage& image);

} // namespace gb::formats
