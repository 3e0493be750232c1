// Feeds arbitrary bytes to the HEIF and AVIF check and to libheif's decode of them, whole and for
// a tile (where a stored thumbnail may stand in): anything must decode or be refused, never crash,
// hang or read out of bounds, and a picture must be as large as it says and of a shown format.
#include "formats/heif_decoder.h"
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
    if (!IsHeif(bytes))
        return 0;
    for (const PictureOptions& options :
        { PictureOptions {}, PictureOptions { false, { 16, 16 }, true } }) {
        const auto picture = DecodeHeif(bytes, options);
        if (!picture)
            continue;
        const QImage::Format format = picture->image.format();
        if (picture->image.isNull() || picture->naturalSize.isEmpty()
            || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
            std::abort();
    }
    return 0;
}
