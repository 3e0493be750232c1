#pragma once

#include "formats/byte_view.h"

#include <QImage>
#include <optional>

namespace gb::formats {

// Device-independent bitmaps as metafiles embed them: a BITMAPINFO (header and colour table)
// and the pixel rows, either apart (EMF) or packed one after the other (WMF).
class MetafileDib {
public:
    // nullopt when the header is not one we read or the pixels claimed are not all there.
    static std::optional<QImage> Decode(const ByteView& info, const ByteView& bits);
    static std::optional<QImage> DecodePacked(const ByteView& packed);
    // A one-bit bitmap as GDI paints a monochrome pattern brush: an 8-bit indexed image whose
    // index 0 takes the text colour and 1 the background colour when drawn. Without a colour
    // table (`colourless`) the bits are the indices; with one, each colour is the nearer of black
    // (0) and white (1). nullopt for any other depth.
    static std::optional<QImage> DecodeTwoTone(
        const ByteView& info, const ByteView& bits, bool colourless);
    // Whether `info` holds both colours of a one-bit bitmap after its header.
    static bool HasTwoColours(const ByteView& info);
};

} // namespace gb::formats
