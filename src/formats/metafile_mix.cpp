#include "formats/metafile_mix.h"

namespace gb::formats {

// A ternary code's bit brush * 4 + source * 2 + picture holds the result.
quint8 MetafileMix::FromBitmapRop(quint32 rop)
{
    const quint8 code = quint8(rop >> 16);
    return (code >> 4) == (code & 0xF) ? code & 0xF : kCopy;
}

quint8 MetafileMix::FromPatternRop(quint32 rop)
{
    const quint8 code = quint8(rop >> 16);
    if ((code & 0x33) != ((code >> 2) & 0x33))
        return kCopy;
    return quint8((code & 0x3) | ((code >> 2) & 0xC));
}

QPainter::CompositionMode MetafileMix::Composition(quint8 mix)
{
    using P = QPainter;
    static constexpr P::CompositionMode kModes[16] = { P::RasterOp_ClearDestination,
        P::RasterOp_NotSourceAndNotDestination, P::RasterOp_NotSourceAndDestination,
        P::RasterOp_NotSource, P::RasterOp_SourceAndNotDestination, P::RasterOp_NotDestination,
        P::RasterOp_SourceXorDestination, P::RasterOp_NotSourceOrNotDestination,
        P::RasterOp_SourceAndDestination, P::RasterOp_NotSourceXorDestination,
        P::CompositionMode_Destination, P::RasterOp_NotSourceOrDestination,
        P::CompositionMode_SourceOver, P::RasterOp_SourceOrNotDestination,
        P::RasterOp_SourceOrDestination, P::RasterOp_SetDestination };
    return kModes[mix & 0xF];
}

} // namespace gb::formats
