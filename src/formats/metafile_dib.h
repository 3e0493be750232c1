#pragma once

#include "formats/metafile_reader.h"

#include <QImage>
#include <optional>

namespace gb::formats {

// Device-independent bitmaps as metafiles embed them: a BITMAPINFO (header and colour table)
// and the pixel rows, either apart (EMF) or packed one after the other (WMF).
class MetafileDib {
public:
    // nullopt when the header is not one we read or the pixels claimed are not all there.
    static std::optional<QImage> Decode(const MetafileReader& info, const MetafileReader& bits);
    static std::optional<QImage> DecodePacked(const MetafileReader& packed);
};

} // namespace gb::formats
