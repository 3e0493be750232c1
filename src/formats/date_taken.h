#pragma once

#include "formats/byte_source.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// When the picture was taken, as the Exif block of a JPEG, PNG, WebP or TIFF (camera RAW files
// built as one included) records it (see JpegExif::takenMs), looked for in `bytes`: the head of the
// file or the whole of it, as a decode read them. A JPEG's Exif segment may reach past them:
// `read` then fetches the rest, as far as the segments before its frame header go. A TIFF's Exif
// directory lying beyond `bytes` is not looked for. nullopt for any other file.
std::optional<qint64> DateTakenIn(const QByteArray& bytes, const ReadBytes& read);

// The same from the head of the file alone, for a picture not decoded: one read of at most 64 KiB,
// and for a JPEG whose Exif segment is longer, the rest of that segment.
std::optional<qint64> ReadDateTaken(ByteSource& source);

} // namespace gb::formats
