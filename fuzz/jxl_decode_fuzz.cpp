// Feeds arbitrary bytes to the JPEG XL check and to libjxl's decode of them: anything must decode
// or be refused, never crash, hang or read out of bounds, and a picture must be as large as it
// says, upright, and of a shown format.
#include "formats/jxl_decoder.h"
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
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!IsJxl(bytes))
        return 0;
    const auto picture = DecodeJxl(bytes, {});
    if (!picture)
        return 0;
    const QImage::Format format = picture->image.format();
    if (picture->image.isNull() || picture->image.size() != picture->naturalSize
        || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
        std::abort();
    return 0;
}
