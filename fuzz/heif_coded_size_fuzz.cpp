// Feeds arbitrary bytes to the reading of a HEIF or AVIF item's coding: its properties, and the
// coded frame size in an AV1 sequence header or an HEVC sequence parameter set. Anything must be
// read or refused, never crash, hang or read out of bounds; a size found must be one a decoder
// could give.
#include "formats/byte_source.h"
#include "formats/heif_canvas.h"
#include "formats/heif_coded_size.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void CheckSize(const std::optional<QSize>& size)
{
    if (size && (size->isEmpty() || size->width() > (1 << 30) || size->height() > (1 << 30)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes = FuzzBytes(data, size);
    CheckSize(Av1CodedSize(bytes));
    CheckSize(HevcCodedSize(bytes));
    MemoryByteSource source(bytes);
    if (const std::optional<quint32> primary = HeifPrimaryItem(source))
        CheckSize(HeifItemCoding(source, *primary).frame);
    return 0;
}
