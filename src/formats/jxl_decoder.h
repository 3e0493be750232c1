#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// Whether the first bytes are those of a JPEG XL picture: a bare codestream (FF 0A) or the ISO
// box container that holds one.
bool IsJxl(const QByteArray& head);

// The first frame of a whole JPEG XL file, decoded by libjxl on the calling thread, upright (the
// file's orientation applied) and in sRGB: a picture coded from another colour space is shown
// converted, one coded in sRGB keeps its numbers. libjxl 0.7 decodes whole pictures only, so
// `options` ask for no reduced size here; the decoded pixels (and libjxl's working copy) are
// reserved from the shared decode budget before they are allocated. nullopt when libjxl refuses
// the bytes or the picture would exceed 256 MB decoded.
std::optional<LoadedPicture> DecodeJxl(const QByteArray& bytes, const PictureOptions& options);

} // namespace gb::formats
