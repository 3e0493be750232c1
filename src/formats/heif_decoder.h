#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// Whether the first bytes are those of a HEIF or AVIF picture (a photo from a phone, most
// often): an 'ftyp' box at the start whose brands name a HEIF or AVIF still image or sequence.
bool IsHeif(const QByteArray& head);

// The primary image of a whole HEIF or AVIF file, upright (libheif applies the file's rotation
// and mirroring). When `options` ask for a reduced size and allow embedded thumbnails, a stored
// thumbnail of at least twice the size the picture gets fitted into `reduceFor` is decoded
// instead; the natural size is always the primary image's. nullopt when libheif refuses the
// bytes or the picture would exceed 256 MB decoded. `bytes` must stay alive during the call.
std::optional<LoadedPicture> DecodeHeif(const QByteArray& bytes, const PictureOptions& options);

} // namespace gb::formats
