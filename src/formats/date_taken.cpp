#include "formats/date_taken.h"

#include "formats/exif_orientation.h"
#include "formats/jpeg_exif.h"

namespace gb::formats {

namespace {

    // As much as the head the decoder reads first: the whole Exif block of nearly every camera.
    constexpr qint64 kHeadBytes = 64 * 1024;

} // namespace

std::optional<qint64> DateTakenIn(const QByteArray& bytes, const ReadBytes& read)
{
    if (bytes.startsWith("\xff\xd8")) {
        const auto exif = ReadJpegExif([&](qint64 offset, qint64 length) {
            if (offset < 0 || length < 0)
                return QByteArray();
            QByteArray part = bytes.mid(offset, length); // empty past them
            if (part.size() < length && offset + part.size() >= bytes.size())
                part += read(offset + part.size(), length - part.size());
            return part;
        });
        return exif ? exif->takenMs : std::nullopt;
    }
    if (bytes.startsWith(QByteArray("II*\0", 4)) || bytes.startsWith(QByteArray("MM\0*", 4)))
        return ExifTakenMs(bytes);
    return EmbeddedTakenMs(bytes);
}

std::optional<qint64> ReadDateTaken(ByteSource& source)
{
    QByteArray head;
    if (!source.Read(0, std::min(source.Size(), kHeadBytes), head))
        return std::nullopt;
    return DateTakenIn(head, [&source](qint64 offset, qint64 length) {
        QByteArray beyond;
        if (offset >= 0 && length >= 0 && !source.Read(offset, length, beyond))
            return QByteArray();
        return beyond;
    });
}

} // namespace gb::formats
