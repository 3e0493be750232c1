// Feeds arbitrary bytes to the walks of a TIFF's directories (its layout, and the search for a
// camera's sensor data), to the thumbnail taken from a stored smaller copy (libtiff's decode of a
// reduced image, or a JPEG thumbnail), read on demand from memory, and to the decode of a file
// whose pictures libtiff reads (planes, CIELab): anything must be read or refused, never crash,
// hang or read out of bounds; what the walk finds must be as its description says, and a thumbnail
// drawable and marked embedded.
#include "formats/byte_source.h"
#include "formats/tiff_decoder.h"
#include "formats/tiff_layout.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes = FuzzBytes(data, size);
    const ReadBytes read = [&bytes](qint64 offset, qint64 length) {
        if (offset < 0 || length < 0 || offset >= bytes.size())
            return QByteArray();
        return bytes.mid(offset, length);
    };
    FindTiffSensorData(read);
    // Qt's reader, or libtiff's for planes and CIELab.
    const auto whole = DecodeTiffFile(bytes, PictureOptions());
    if (whole && !IsDrawable(*whole))
        std::abort();
    const auto layout = ReadTiffLayout(read);
    if (!layout)
        return 0;
    if (layout->size.isEmpty() || layout->orientation < 1 || layout->orientation > 8)
        std::abort();
    for (const TiffReducedImage& image : layout->reduced)
        if (image.directoryAt < 8 || (image.jpegBytes == 0 && image.size.isEmpty()))
            std::abort();
    // A small tile, so that the small seeds' copies are large enough to be used.
    PictureOptions options;
    options.embeddedThumbnail = true;
    options.reduceFor = QSize(8, 8);
    MemoryByteSource source(bytes);
    bool readFailed = false;
    const auto picture = DecodeTiffThumbnail(source, options, readFailed);
    if (readFailed || (picture && (!IsDrawable(*picture) || !picture->embedded)))
        std::abort();
    return 0;
}
