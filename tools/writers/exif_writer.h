#pragma once

#include "writers/byte_packer.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <optional>

// The Exif block of a JPEG: "Exif\0\0", then a TIFF structure of image file directories (IFDs),
// carried in an APP1 segment. Blocks are written in either byte order; the IFDs may lie about
// their size and offsets, as hostile files need.
namespace gb::tools {

namespace exif {
    inline constexpr quint32 kOrientation = 0x0112, kMake = 0x010f, kExifPointer = 0x8769,
                             kPixelX = 0xa002, kPixelY = 0xa003, kColourSpace = 0xa001,
                             kFlash = 0x9209, kThumbnailAt = 0x0201, kThumbnailBytes = 0x0202,
                             kDateTimeOriginal = 0x9003, kOffsetTimeOriginal = 0x9011;
    inline constexpr quint32 kAscii = 2, kShort = 3, kLong = 4;
} // namespace exif

struct ExifEntry {
    quint32 tag;
    quint32 type;
    quint32 count;
    quint32 value; // a single SHORT sits in the first two bytes of the field, as the format wants
};

// One IFD claiming `claimed` entries (normally the real number), then the next IFD's offset.
QByteArray ExifIfd(const QList<ExifEntry>& entries, quint32 next,
    std::optional<quint32> claimed = {}, ByteOrder order = ByteOrder::Big);
// "Exif\0\0" and a TIFF header whose first IFD is at `firstIfd`, then `rest`.
QByteArray ExifBlock(quint32 firstIfd, const QByteArray& rest, ByteOrder order = ByteOrder::Big);
// A big-endian block of one IFD holding only the Orientation tag.
QByteArray OrientationExif(quint32 orientation);

// The Exif block of a camera JPEG: IFD0 holds the orientation and points to the Exif IFD,
// which records the pixel size (or, with no size, colour space and flash), then IFD1 points to
// the thumbnail. Offsets in its TIFF structure, from the byte-order mark: first IFD pointer 4,
// IFD0 8, the Exif IFD pointer's value 30, IFD0's next IFD 34, thumbnail offset 78, thumbnail
// length 90, thumbnail 98. A date taken adds its entries to the Exif IFD (moving IFD1 and the
// thumbnail on by 12 bytes each) and its texts after the thumbnail.
struct CameraExif {
    int orientation = 1;
    QSize recorded = {}; // invalid: no recorded size
    QByteArray thumbnail = {}; // none: null
    bool bigEndian = false; // big-endian blocks record the pixel size as SHORT, others as LONG
    std::optional<quint32> sizeType = {}; // SHORT or LONG whatever the byte order
    // What IFD1 says of the thumbnail, when it should lie.
    std::optional<quint32> thumbnailOffset = {}, thumbnailLength = {};
    // DateTimeOriginal ("YYYY:MM:DD HH:MM:SS") and OffsetTimeOriginal ("+HH:MM"); none: empty.
    QByteArray taken = {}, takenOffset = {};
};
QByteArray CameraExifBlock(const CameraExif& exif);

// The APP1 segment of `body`, marker and length included.
QByteArray App1Segment(const QByteArray& body);
// `jpeg` with an APP1 segment of `body` placed right after the start-of-image marker.
QByteArray WithApp1(const QByteArray& jpeg, const QByteArray& body);
// The whole APP1 segment of a camera's block.
QByteArray WriteExifSegment(const CameraExif& exif);

} // namespace gb::tools
