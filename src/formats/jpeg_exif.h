#pragma once

#include "formats/byte_source.h"
#include "formats/loaded_picture.h"

#include <QByteArray>
#include <QSize>
#include <optional>

namespace gb::formats {

// What a JPEG's header says about itself: enough to decide whether the small picture a camera
// embeds can stand in for the whole one in a thumbnail.
struct JpegExif {
    QSize frameSize; // from the first frame header, as stored (before orientation); invalid if none
    qint64 frameAt = 0; // where that header starts: the picture's data comes soon after
    int orientation = 1; // Exif orientation 1..8; 1 when absent or out of range
    QSize recordedSize; // the pixel size the Exif block was written for; invalid if absent
    QByteArray thumbnail; // the embedded JPEG; empty if absent or lying outside the Exif segment
    std::optional<qint64>
        takenMs; // DateTimeOriginal, see ExifDateMs; nullopt if absent or unreadable
};

// Walks the segments before the first frame header. Reads only what it needs through `read`,
// never past the first 16 MiB. nullopt when the bytes do not start like a JPEG.
std::optional<JpegExif> ReadJpegExif(const ReadBytes& read);

// The orientation (1..8) an Exif TIFF structure records, the structure starting at its byte-order
// mark ("II" or "MM") as in a PNG's or WebP's Exif chunk; 1 when it records none or is unreadable.
int ExifOrientation(const QByteArray& tiff);
// When such a structure says the picture was taken (see JpegExif::takenMs). A whole TIFF file, or
// its head, is one too: its offsets count from the file's start.
std::optional<qint64> ExifTakenMs(const QByteArray& tiff);

// The embedded thumbnail turned upright, when it demonstrably shows this very picture and is
// large enough for a tile that fits `box`; nullopt otherwise (the caller decodes the picture).
// Its header must agree with the picture's, and its colours with the top of the picture, read
// through `read` from the start of the file of `fileSize` bytes as far as its top rows need.
std::optional<LoadedPicture> TrustedEmbeddedThumbnail(
    const JpegExif& exif, QSize box, const ReadBytes& read, qint64 fileSize);

} // namespace gb::formats
