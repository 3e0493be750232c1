#pragma once

#include <QPainter>

namespace gb::formats {

// GDI's raster operations as four-bit truth tables of a source (a pen, a brush or a bitmap) and
// the picture: bit source * 2 + picture holds the result. SETROP2's R2_ codes are these tables
// plus one; the ternary codes of the blits reduce to them when one of their inputs does not count.
class MetafileMix {
public:
    static constexpr quint8 kCopy = 0xC, kLeaveAlone = 0xA;

    // A blit's bitmap with the picture; one that mixes in the brush as well is copied.
    static quint8 FromBitmapRop(quint32 rop);
    // PATBLT's brush with the picture; one that names a source it has not got copies the brush.
    static quint8 FromPatternRop(quint32 rop);
    static QPainter::CompositionMode Composition(quint8 mix);
    static bool ReadsPicture(quint8 mix) { return (mix & 0x5) != ((mix >> 1) & 0x5); }
    static bool ReadsSource(quint8 mix) { return (mix & 0x3) != (mix >> 2); }
};

} // namespace gb::formats
