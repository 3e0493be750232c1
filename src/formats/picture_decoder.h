#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <optional>

namespace gb::formats {

// The one way into every decoder. Reads the head of the file, tells its type from the content
// (formats/picture_types.h), reads as much more as that type needs, and decodes it: an embedded
// Exif thumbnail when the options allow and it can be trusted, else the picture, reduced when
// only a thumbnail is asked for. At most one decode per core runs at once, however many callers
// wait on their reads meanwhile. `failure` says why there is no picture (None when there is).
std::optional<LoadedPicture> DecodePicture(
    ByteSource& source, const PictureOptions& options, LoadFailure& failure);

} // namespace gb::formats
