#pragma once

#include "formats/byte_source.h"
#include "formats/decode_budget.h"
#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// Whether the first bytes are those of a HEIF or AVIF picture (a photo from a phone, most
// often): an 'ftyp' box at the start whose brands name a HEIF or AVIF still image or sequence.
bool IsHeif(const QByteArray& head);

// The primary image of a HEIF or AVIF file, upright (libheif applies the file's rotation
// and mirroring), its pixels reserved from `budget` for as long as the decode takes at its peak:
// libheif's working memory and the decoder's frames too. When `options` ask for a reduced size and
// allow embedded thumbnails, a stored thumbnail of at least twice the size the picture gets fitted
// into `reduceFor` is decoded instead, unless it is cropped, turned or mirrored otherwise than the
// primary image; the natural size is the primary image's (of a layered one, the size of the layer
// decoded). nullopt when libheif refuses the bytes, the decode would take more than the budget
// holds (reserved for the larger of the stored size and the frame the coded data declare), libheif
// decodes more pixels than the stored size without the item declaring layers, or the file's 'mdat'
// boxes hold more than 256 MB (libheif 1.15 keeps a copy of every item while the file is open);
// `readFailed` is then set if a read of `source` failed, so the file is unreadable, not damaged.
// Only the boxes and the image decoded are read (with the primary image, the head of its grid or
// overlay): for a tile, often just the header and the stored thumbnail. Memory running out throws
// std::bad_alloc.
std::optional<LoadedPicture> DecodeHeif(
    ByteSource& source, const PictureOptions& options, bool& readFailed, DecodeBudget& budget);
// The same from the budget every decoder shares.
std::optional<LoadedPicture> DecodeHeif(
    ByteSource& source, const PictureOptions& options, bool& readFailed);

} // namespace gb::formats
