// Feeds arbitrary bytes to the camera RAW check and to LibRaw's reading of them, for a tile and at
// full size: anything must decode or be refused, never crash, hang or read out of bounds, and a
// picture must be as large as it says and of a shown format.
#include "formats/raw_decoder.h"
#include "offscreen_application.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    StartOffscreenApplication(*argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    MemoryByteSource source(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!IsCameraRaw(source))
        return 0;
    for (const PictureOptions& options :
        { PictureOptions { false, { 16, 16 }, true, true }, PictureOptions {} }) {
        bool readFailed = false;
        const auto picture = DecodeRaw(source, options, readFailed);
        if (readFailed)
            std::abort(); // memory never fails
        if (picture
            && (picture->image.isNull() || picture->naturalSize.isEmpty()
                || picture->image.format() != QImage::Format_RGB32))
            std::abort();
    }
    return 0;
}
