// Feeds arbitrary bytes to the metafile reader and player: any input must either load or be
// refused, never crash, read out of bounds or hang.
#include "formats/metafile_loader.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    gb::formats::PictureOptions thumbnail;
    thumbnail.reduceFor = QSize(62, 62);
    (void)gb::formats::MetafileLoader::Load(bytes, thumbnail);
    return 0;
}
