#include "writers/exif_writer.h"

namespace gb::tools {

using namespace exif;

QByteArray ExifIfd(
    const QList<ExifEntry>& entries, quint32 next, std::optional<quint32> claimed, ByteOrder order)
{
    QByteArray out;
    Put16(out, claimed.value_or(static_cast<quint32>(entries.size())), order);
    for (const ExifEntry& e : entries) {
        Put16(out, e.tag, order);
        Put16(out, e.type, order);
        Put32(out, e.count, order);
        if (e.type == kShort && e.count == 1) {
            Put16(out, e.value, order);
            Put16(out, 0, order);
        } else {
            Put32(out, e.value, order);
        }
    }
    Put32(out, next, order);
    return out;
}

QByteArray ExifBlock(quint32 firstIfd, const QByteArray& rest, ByteOrder order)
{
    QByteArray out = QByteArray("Exif\0\0", 6) + (order == ByteOrder::Big ? "MM" : "II");
    Put16(out, 42, order);
    Put32(out, firstIfd, order);
    return out + rest;
}

QByteArray OrientationExif(quint32 orientation)
{
    return ExifBlock(8, ExifIfd({ { kOrientation, kShort, 1, orientation } }, 0));
}

QByteArray CameraExifBlock(const CameraExif& exif)
{
    // Each IFD holds two entries: 2 + 2 * 12 + 4 bytes; the Exif IFD one more per date text.
    const auto texts = static_cast<quint32>(!exif.taken.isEmpty() + !exif.takenOffset.isEmpty());
    constexpr quint32 kExifIfd = 8 + 30;
    const quint32 kIfd1 = kExifIfd + 30 + 12 * texts, kThumbnail = kIfd1 + 30;
    const ByteOrder order = exif.bigEndian ? ByteOrder::Big : ByteOrder::Little;
    const quint32 sizeType = exif.sizeType.value_or(exif.bigEndian ? kShort : kLong);
    const QSize size = exif.recorded;
    QList<ExifEntry> recorded = size.isValid()
        ? QList<ExifEntry> { { kPixelX, sizeType, 1, static_cast<quint32>(size.width()) },
              { kPixelY, sizeType, 1, static_cast<quint32>(size.height()) } }
        : QList<ExifEntry> { { kColourSpace, kShort, 1, 1 }, { kFlash, kShort, 1, 0 } };
    const auto thumbnailBytes = static_cast<quint32>(exif.thumbnail.size());
    // The texts, each with its NUL, after the thumbnail; entries in ascending tag order.
    QByteArray dateTexts;
    for (const auto& [tag, text] : { std::pair(kDateTimeOriginal, exif.taken),
             std::pair(kOffsetTimeOriginal, exif.takenOffset) }) {
        if (text.isEmpty())
            continue;
        recorded.insert(tag == kDateTimeOriginal ? 0 : 1,
            { tag, kAscii, static_cast<quint32>(text.size() + 1),
                kThumbnail + thumbnailBytes + static_cast<quint32>(dateTexts.size()) });
        dateTexts += text + '\0';
    }
    const QList<ExifEntry> ifd0 { { kOrientation, kShort, 1,
                                      static_cast<quint32>(exif.orientation) },
        { kExifPointer, kLong, 1, kExifIfd } };
    const QList<ExifEntry> ifd1 { { kThumbnailAt, kLong, 1,
                                      exif.thumbnailOffset.value_or(kThumbnail) },
        { kThumbnailBytes, kLong, 1, exif.thumbnailLength.value_or(thumbnailBytes) } };
    return ExifBlock(8,
        ExifIfd(ifd0, kIfd1, {}, order) + ExifIfd(recorded, 0, {}, order)
            + ExifIfd(ifd1, 0, {}, order) + exif.thumbnail + dateTexts,
        order);
}

QByteArray App1Segment(const QByteArray& body)
{
    QByteArray segment("\xff\xe1", 2);
    PutBe16(segment, static_cast<quint32>(body.size() + 2));
    return segment + body;
}

QByteArray WithApp1(const QByteArray& jpeg, const QByteArray& body)
{
    return jpeg.first(2) + App1Segment(body) + jpeg.mid(2);
}

QByteArray WriteExifSegment(const CameraExif& exif) { return App1Segment(CameraExifBlock(exif)); }

} // namespace gb::tools
