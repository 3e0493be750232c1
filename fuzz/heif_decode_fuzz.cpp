// Feeds arbitrary bytes to the HEIF and AVIF check and to libheif's decode of them, read through a
// byte source as from a file, whole and for a tile (where a stored thumbnail may stand in):
// anything must decode or be refused, never crash, hang or read out of bounds, and a picture must
// be as large as it says and of a shown format.
#include "formats/heif_decoder.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes = FuzzBytes(data, size);
    if (!IsHeif(bytes))
        return 0;
    MemoryByteSource source(bytes);
    for (const PictureOptions& options :
        { PictureOptions {}, PictureOptions { false, { 16, 16 }, true } }) {
        bool readFailed = false;
        const auto picture = DecodeHeif(source, options, readFailed);
        if (readFailed)
            std::abort(); // memory never fails
        if (picture && !IsDrawable(*picture))
            std::abort();
    }
    return 0;
}
