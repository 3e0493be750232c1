// Feeds arbitrary bytes to the bitmap reader as a .bmp file, as a packed DIB, split into an
// info block and pixels, and as an icon's bitmap: whatever it hands back must be a 32-bit
// picture, of the size claimed where the header is the one it read.
#include "formats/dib_header.h"
#include "formats/dib_reader.h"
#include "formats/icon_bitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void CheckDecoded(const std::optional<QImage>& image, const gb::formats::ByteView& info)
{
    if (!image)
        return;
    const auto header = gb::formats::DibHeader::Read(info);
    const bool rgb
        = image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32;
    if (!rgb || !header || image->width() != header->width
        || image->height() != qAbs(header->height))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const ByteView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CheckDecoded(DecodePackedDib(bytes), bytes);
    const qsizetype split = bytes.U8(0) * 4;
    CheckDecoded(DecodeDib(bytes.Part(0, split), bytes.Part(split, bytes.Size() - split)), bytes);
    const auto icon = DecodeIconBitmap(bytes);
    if (icon && icon->format() != QImage::Format_ARGB32 && icon->format() != QImage::Format_RGB32)
        std::abort();
    // As a file: the reader must not trip over any header, whatever it decides.
    QByteArray file("BM");
    file.append(12, '\0');
    file.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto decoded = DecodeBmpFile(ByteView(file));
    if (decoded && decoded->isNull())
        std::abort();
    return 0;
}
