// Feeds arbitrary bytes to the camera RAW check and to LibRaw's reading of them, for a tile and at
// full size: anything must decode or be refused, never crash, hang or read out of bounds, and a
// picture must be as large as it says and of a shown format.
#include "formats/raw_decoder.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    MemoryByteSource source(FuzzBytes(data, size));
    if (!IsCameraRaw(source))
        return 0;
    for (const PictureOptions& options :
        { PictureOptions { false, { 16, 16 }, true, true }, PictureOptions {} }) {
        bool readFailed = false;
        const auto picture = DecodeRaw(source, options, readFailed);
        if (readFailed)
            std::abort(); // memory never fails
        if (picture && (!IsDrawable(*picture) || picture->image.hasAlphaChannel()))
            std::abort(); // a camera's picture has no transparency
    }
    return 0;
}
