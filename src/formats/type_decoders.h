#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// The decoders of the types read whole, each with the shape the table of picture types calls:
// the file's bytes and what the caller asks, a picture or nullopt. Each reserves its pixels
// from the shared decode budget before it allocates them.

// A BMP file ("BM" and its file header), and a bitmap with no file header (a packed DIB).
std::optional<LoadedPicture> DecodeBitmapFile(const QByteArray& bytes, const PictureOptions&);
std::optional<LoadedPicture> DecodeHeaderlessDib(const QByteArray& bytes, const PictureOptions&);
// An icon or cursor: the image nearest the large shell icon size (32 x 32) when
// `options.largeIcon`, else the first.
std::optional<LoadedPicture> DecodeIconFile(const QByteArray& bytes, const PictureOptions& options);
// PNG and WebP through Qt's readers, turned upright by their Exif blocks, which those readers
// ignore.
std::optional<LoadedPicture> DecodePngFile(const QByteArray& bytes, const PictureOptions& options);
std::optional<LoadedPicture> DecodeWebpFile(const QByteArray& bytes, const PictureOptions& options);
// A JPEG through libjpeg, reduced when only a thumbnail is needed.
std::optional<LoadedPicture> DecodeJpegFile(const QByteArray& bytes, const PictureOptions& options);

} // namespace gb::formats
