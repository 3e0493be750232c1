#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// Whether the first bytes are those of a HEIF or AVIF picture (a photo from a phone, most
// often): an 'ftyp' box at the start whose brands name a HEIF or AVIF still image or sequence.
bool IsHeif(const QByteArray& head);

// The primary image of a HEIF or AVIF file, upright (libheif applies the file's rotation
// and mirroring). When `options` ask for a reduced size and allow embedded thumbnails, a stored
// thumbnail of at least twice the size the picture gets fitted into `reduceFor` is decoded
// instead; the natural size is always the primary image's. nullopt when libheif refuses the
// bytes, the picture would exceed 256 MB decoded, or the file's 'mdat' boxes hold more than
// 256 MB (libheif 1.15 keeps a copy of every item while the file is open); `readFailed` is then
// set if a read of `source` failed, so the file is unreadable, not damaged. Only the boxes and the
// image decoded are read (with the primary image, the head of its grid or overlay): for a tile,
// often just the header and the stored thumbnail. Memory running out throws std::bad_alloc.
std::optional<LoadedPicture> DecodeHeif(
    ByteSource& source, const PictureOptions& options, bool& readFailed);

} // namespace gb::formats
