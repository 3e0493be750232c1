// Feeds arbitrary bytes to the JPEG header and Exif reader and to the check that decides whether
// an embedded thumbnail may stand in for the picture, and to the search for the Exif block of a
// PNG or WebP: anything must be read or refused, never crash or read out of bounds, an
// orientation must be one of the eight, and an accepted thumbnail must fit what it claims. The
// date read from any of them, and the bytes read as the date's text, must come out or be refused.
#include "formats/date_taken.h"
#include "formats/exif_date.h"
#include "formats/exif_orientation.h"
#include "formats/jpeg_exif.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes = FuzzBytes(data, size);
    const auto read = [&bytes](qint64 offset, qint64 length) {
        if (offset < 0 || length < 0 || offset >= bytes.size())
            return QByteArray();
        return bytes.mid(offset, length);
    };
    (void)DateTakenIn(bytes, read);
    (void)ExifDateMs(QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 20)),
        QByteArrayView(bytes).sliced(std::min<qsizetype>(bytes.size(), 20)));
    const int embedded = EmbeddedOrientation(bytes);
    if (embedded < 1 || embedded > 8)
        std::abort();
    const auto exif = ReadJpegExif(read);
    if (!exif)
        return 0;
    if (exif->orientation < 1 || exif->orientation > 8)
        std::abort();
    const auto picture = TrustedEmbeddedThumbnail(*exif, QSize(62, 62), read, bytes.size());
    if (picture
        && (picture->image.isNull() || !picture->embedded || picture->naturalSize.isEmpty()))
        std::abort();
    return 0;
}
