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
};

} // namespace gb::formats
