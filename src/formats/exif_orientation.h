#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// The Exif orientation (1..8) a whole PNG or WebP file records: a PNG's eXIf chunk or, failing
// that, the "Raw profile type exif" text chunk older tools write; a WebP's EXIF chunk, which its
// VP8X header must announce. 1 for any other file, or when the block is absent or unreadable.
// Qt's PNG and WebP readers ignore these blocks; its TIFF reader applies the TIFF's own
// orientation, so a TIFF yields 1 here and is never turned twice.
int EmbeddedOrientation(const QByteArray& bytes);
// When the picture was taken, from that same block (see JpegExif::takenMs).
std::optional<qint64> EmbeddedTakenMs(const QByteArray& bytes);

// A picture decoded as stored, turned upright for `orientation`; its natural size with it.
LoadedPicture TurnedUpright(LoadedPicture stored, int orientation);

} // namespace gb::formats
