// Feeds arbitrary bytes to the one decode entry, as every file the program shows reaches it: the
// type is told from the content, the bytes read as that type needs and handed to its decoder,
// with every type shown, for a tile (where an Exif thumbnail may stand in) and whole. Anything
// must decode or be refused, never crash, hang or read out of bounds; a picture must be as large
// as it says and in a format the grid draws.
#include "formats/byte_source.h"
#include "formats/picture_decoder.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes = FuzzBytes(data, size);
    for (const PictureOptions& options : { PictureOptions { false, {}, false, true },
             PictureOptions { true, { 62, 62 }, true, true } }) {
        MemoryByteSource source(bytes);
        LoadFailure failure = LoadFailure::None;
        const auto picture = DecodePicture(source, options, failure);
        if (!picture) {
            if (failure == LoadFailure::None || failure == LoadFailure::Unreadable)
                std::abort(); // bytes in memory always read, and a refusal always says why
            continue;
        }
        if (failure != LoadFailure::None || !IsDrawable(*picture))
            std::abort();
    }
    return 0;
}
