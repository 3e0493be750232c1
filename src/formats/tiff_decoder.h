#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <optional>

namespace gb::formats {

// A thumbnail (options.reduceFor, with options.embeddedThumbnail) of a TIFF from a smaller copy
// of its first picture that the file stores, when one is of the picture's shape and at least
// twice the tile (the smallest such): a reduced-resolution image, decoded by libtiff, or an
// Exif-style JPEG thumbnail. Only the directories and that copy are read through `source`. Turned
// upright by the picture's orientation; its natural size is the picture's. nullopt when there is
// no such copy or it does not decode (the caller then decodes the picture itself), or when a read
// failed (`readFailed` set).
// A TIFF's first picture, read whole. Qt's TIFF reader decodes most; libtiff those it shows
// wrongly: each sample in a plane of its own (Qt 6.4 garbles 16-bit ones) through its RGBA
// reading, and CIELab converted to sRGB here as its WhitePoint says. Turned upright, in display
// colours, reduced for `options.reduceFor` as other decoders are. nullopt when it does not decode.
std::optional<LoadedPicture> DecodeTiffFile(const QByteArray& bytes, const PictureOptions& options);

std::optional<LoadedPicture> DecodeTiffThumbnail(
    ByteSource& source, const PictureOptions& options, bool& readFailed);

} // namespace gb::formats
