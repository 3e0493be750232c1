#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <QByteArray>
#include <QImage>
#include <optional>

class QIODevice;

namespace gb::formats {

// A picture decoded by the Qt image reader named `reader` ("gif", "jpeg", "png", "webp", "tiff"),
// from `device`, turned by its orientation, its pixels reserved from the shared decode budget
// first and converted to sRGB if it carries a profile. A JPEG is scaled while decoding when only
// a reduced size is asked for.
std::optional<LoadedPicture> DecodeWithQtReader(
    QIODevice& device, const char* reader, const PictureOptions& options);
std::optional<LoadedPicture> DecodeBytesWithQtReader(
    const QByteArray& bytes, const char* reader, const PictureOptions& options);
// Decodes a large file as it is read from `source`. `readFailed` is set when a read failed: a
// reader takes that for the end of the picture and shows the rest grey, so the caller must not
// trust what came back.
std::optional<LoadedPicture> DecodeStreamWithQtReader(
    ByteSource& source, const char* reader, const PictureOptions& options, bool& readFailed);
// Whether Qt has the named reader: those of WebP and TIFF come with plugins that may be missing.
bool HasQtReader(const char* reader);

// Converted in place, so a decoded picture is never held twice.
QImage ToDisplayFormat(QImage image);

} // namespace gb::formats
