// Feeds arbitrary bytes to the JPEG decoder, reduced for a thumbnail and at full size: anything
// must decode or be refused, never crash, read out of bounds or run on without end, and a
// decoded picture must be what the decoder promises.
#include "formats/jpeg_decoder.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION

namespace {

void Check(const QByteArray& bytes, QSize box, int maxSide)
{
    gb::formats::JpegRequest request;
    request.reduceFor = box;
    request.maxSide = maxSide; // larger pictures only cost time, not new paths
    const auto picture = gb::formats::DecodeJpeg(bytes, request);
    if (!picture)
        return;
    const QImage& image = picture->image;
    const QSize natural = picture->naturalSize;
    if (image.isNull() || image.format() != QImage::Format_RGB32 || natural.isEmpty()
        || image.width() > natural.width() || image.height() > natural.height())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    Check(bytes, QSize(62, 62), 2048);
    Check(bytes, QSize(), 512);
    return 0;
}
