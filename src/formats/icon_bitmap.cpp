#include "formats/icon_bitmap.h"

#include "formats/dib_header.h"
#include "formats/dib_reader.h"

#include <algorithm>

namespace gb::formats {

namespace {

    bool HasAlpha(const QImage& image)
    {
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            if (std::any_of(line, line + image.width(), [](QRgb p) { return qAlpha(p) != 0; }))
                return true;
        }
        return false;
    }

    // Clears the pixels the mask marks; the others are made opaque when `opaque`. Rows the
    // payload lacks mark nothing.
    void ApplyAndMask(QImage& image, const ByteView& mask, bool topDown, bool opaque)
    {
        image.reinterpretAsFormat(QImage::Format_ARGB32);
        const qint64 stride = (qint64(image.width()) + 31) / 32 * 4;
        const QRgb fill = opaque ? 0xff000000u : 0;
        for (int y = 0; y < image.height(); ++y) {
            const ByteView row = mask.Part(y * stride, stride);
            auto* line
                = reinterpret_cast<QRgb*>(image.scanLine(topDown ? y : image.height() - 1 - y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = (row.U8(x / 8) >> (7 - x % 8) & 1) ? 0 : line[x] | fill;
        }
    }

} // namespace

std::optional<QImage> DecodeIconBitmap(const ByteView& payload)
{
    const auto header = DibHeader::Read(payload);
    if (!header || qAbs(header->height) < 2)
        return std::nullopt;
    const qint64 infoBytes = std::min(header->InfoBytes(), payload.Size());
    const ByteView bits = payload.Part(infoBytes, payload.Size() - infoBytes);
    DibHeader colours = *header;
    colours.height = header->height / 2;
    // 32-bit icon pixels are BGRA, though the header says BI_RGB.
    const bool bgra = colours.bits == 32 && colours.compression == DibHeader::Compression::Rgb;
    if (bgra) {
        colours.compression = DibHeader::Compression::Bitfields;
        colours.redMask = 0xff0000, colours.greenMask = 0xff00, colours.blueMask = 0xff;
        colours.alphaMask = 0xff000000;
    }
    auto image = DecodeDib(colours, payload.Part(0, infoBytes), bits);
    if (!image || (bgra && HasAlpha(*image)))
        return image;
    const qint64 maskAt = colours.PixelBytes();
    ApplyAndMask(*image, bits.Part(maskAt, bits.Size() - maskAt), colours.height < 0, bgra);
    return image;
}

} // namespace gb::formats
