#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// A still WebP picture decoded by libwebp at the reduced size `options.reduceFor` allows (see
// ReducedSize), scaled while its rows are decoded, in sRGB (its ICC profile applied) and as
// stored: the caller turns it upright by the file's Exif block. The natural size is the picture's
// own, as stored. nullopt when no reduction is asked for or possible, for an animation (its first
// frame is the whole reader's to compose), or when libwebp refuses the bytes.
std::optional<LoadedPicture> DecodeReducedWebp(
    const QByteArray& bytes, int orientation, const PictureOptions& options);

} // namespace gb::formats
