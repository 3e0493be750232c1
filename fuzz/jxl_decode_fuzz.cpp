// Feeds arbitrary bytes to the JPEG XL check and to libjxl's decode of them: anything must decode
// or be refused, never crash, hang or read out of bounds, and a picture must be as large as it
// says, upright, and of a shown format.
#include "formats/jxl_decoder.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes = FuzzBytes(data, size);
    if (!IsJxl(bytes))
        return 0;
    const auto picture = DecodeJxl(bytes, {});
    if (!picture)
        return 0;
    if (!IsDrawable(*picture) || picture->image.size() != picture->naturalSize)
        std::abort();
    return 0;
}
