#include "formats/dib_reader.h"

#include "formats/decode_budget.h"
#include "formats/dib_header.h"
#include "formats/dib_rle.h"
#include "formats/png_decoder.h"

#include <algorithm>
#include <bit>

namespace gb::formats {

namespace {

    // A decoded picture of more than kMaxDecodedBytes is refused. An RLE stream can skip a whole
    // row in two bytes, so a small file may honestly be a large blank picture; but not beyond 1024
    // pixels for each byte of the stream (a 253-byte file claiming 2554 x 18803 is a bomb). Up to a
    // megapixel is allowed whatever the size.
    constexpr qint64 kRlePixelsPerByte = 1024;
    constexpr qint64 kRleFreePixels = qint64(1) << 20;
    constexpr qint64 kFileHeaderSize = 14;
    constexpr QRgb kOpaque = 0xff000000u;

    // One colour mask: its field widened to 8 bits by v * 255 / max, rounded.
    struct MaskChannel {
        explicit MaskChannel(quint32 m)
            : mask(m)
            , shift(m == 0 ? 0 : std::countr_zero(m))
            , max(m >> shift)
        {
        }
        quint32 Scale(quint32 pixel) const
        {
            const quint64 v = (pixel & mask) >> shift;
            return max == 255 || max == 0 ? quint32(v) : quint32((v * 255 + max / 2) / max);
        }
        quint32 mask;
        int shift;
        quint64 max;
    };

    struct Masks {
        MaskChannel red, green, blue, alpha;
        bool IsPlain32() const
        {
            return red.mask == 0xff0000u && green.mask == 0xff00u && blue.mask == 0xffu
                && (alpha.mask == 0 || alpha.mask == 0xff000000u);
        }
    };

    // Without Bitfields the 16-bit form is 5-5-5 and the 32-bit one 8-8-8 with its fourth byte
    // ignored, as Windows and Qt read .bmp files.
    Masks MasksOf(const DibHeader& h)
    {
        if (h.compression == DibHeader::Compression::Bitfields)
            return { MaskChannel(h.redMask), MaskChannel(h.greenMask), MaskChannel(h.blueMask),
                MaskChannel(h.alphaMask) };
        if (h.bits == 16)
            return { MaskChannel(0x7c00), MaskChannel(0x3e0), MaskChannel(0x1f), MaskChannel(0) };
        return { MaskChannel(0xff0000), MaskChannel(0xff00), MaskChannel(0xff), MaskChannel(0) };
    }

    DibPalette PaletteOf(const DibHeader& h, const ByteView& info)
    {
        DibPalette palette;
        palette.fill(kOpaque);
        const qint64 entries
            = h.coloursUsed != 0 ? h.coloursUsed : qint64(1) << std::min(h.bits, 8u);
        const qint64 start = h.PaletteOffset(), step = h.PaletteEntryBytes();
        for (qint64 i = 0; i < std::min<qint64>(entries, 256); ++i) {
            const qint64 at = start + i * step;
            if (!info.Fits(at, 3))
                break;
            palette[i] = qRgb(info.U8(at + 2), info.U8(at + 1), info.U8(at));
        }
        return palette;
    }

    void DrawIndexedRow(
        const ByteView& row, int bits, const DibPalette& palette, QRgb* line, int width)
    {
        if (bits == 8) { // most paletted files: no bits to pick out
            for (int x = 0; x < width; ++x)
                line[x] = palette[row.U8(x)];
            return;
        }
        const int perByte = 8 / bits, lowMask = (1 << bits) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = (perByte - 1 - x % perByte) * bits;
            line[x] = palette[(row.U8(x / perByte) >> shift) & lowMask];
        }
    }

    void DrawMaskedRow(const ByteView& row, int bits, const Masks& m, QRgb* line, int width)
    {
        const bool hasAlpha = m.alpha.mask != 0;
        for (int x = 0; x < width; ++x) {
            const quint32 p = bits == 16 ? row.U16(2 * x) : row.U32(4 * x);
            line[x] = qRgba(int(m.red.Scale(p)), int(m.green.Scale(p)), int(m.blue.Scale(p)),
                hasAlpha ? int(m.alpha.Scale(p)) : 255);
        }
    }

    void DrawRow(const DibHeader& h, const ByteView& row, const DibPalette& palette,
        const Masks& masks, QRgb* line)
    {
        const int width = int(h.width);
        if (h.bits <= 8) {
            DrawIndexedRow(row, int(h.bits), palette, line, width);
        } else if (h.bits == 24) {
            for (int x = 0; x < width; ++x)
                line[x]
                    = kOpaque | row.U8(3 * x + 2) << 16 | row.U8(3 * x + 1) << 8 | row.U8(3 * x);
        } else if (h.bits == 32 && masks.IsPlain32()) {
            const QRgb fill = masks.alpha.mask == 0 ? kOpaque : 0;
            for (int x = 0; x < width; ++x)
                line[x] = row.U32(4 * x) | fill;
        } else {
            DrawMaskedRow(row, int(h.bits), masks, line, width);
        }
    }

    // The rows there are; those missing at the end are left transparent. True when all were.
    bool DrawRows(const DibHeader& h, const ByteView& info, const ByteView& bits, QImage& image)
    {
        const DibPalette palette = PaletteOf(h, info);
        const Masks masks = MasksOf(h);
        const qint64 stride = h.Stride(),
                     rows = std::min<qint64>(image.height(), bits.Size() / stride);
        const bool topDown = h.height < 0;
        for (qint64 y = 0; y < rows; ++y) {
            const int line = topDown ? int(y) : image.height() - 1 - int(y);
            DrawRow(h, bits.Part(y * stride, stride), palette, masks,
                reinterpret_cast<QRgb*>(image.scanLine(line)));
        }
        if (rows == image.height())
            return true;
        const int first = topDown ? int(rows) : 0;
        for (int y = first; y < first + image.height() - int(rows); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width(), 0u);
        return false;
    }

    bool IsRle(const DibHeader& h)
    {
        return h.compression == DibHeader::Compression::Rle8
            || h.compression == DibHeader::Compression::Rle4;
    }

    // What the data may claim: some pixels at all, rows within memory, an RLE stream able to
    // describe the picture.
    bool IsWithinReach(const DibHeader& h, const ByteView& bits)
    {
        const qint64 pixels = h.width * qAbs(h.height);
        if (pixels * 4 > kMaxDecodedBytes)
            return false;
        if (IsRle(h))
            return bits.Size() >= 2
                && pixels <= std::max(kRleFreePixels, kRlePixelsPerByte * bits.Size());
        return bits.Size() >= h.Stride();
    }

    // Where a file's rows start. The colour table is the one the header declares, even where the
    // pixel offset points into it: the rows start where the file header says, as Windows and
    // Pillow read such files. But where plain rows are said to start at the table's own first
    // byte and the file holds the table, the writer forgot the table: the rows follow it, as
    // Pillow reads those.
    qint64 PixelStart(qint64 stated, const DibHeader& h, qint64 fileSize)
    {
        const qint64 tableStart = kFileHeaderSize + h.PaletteOffset();
        const qint64 afterTable = kFileHeaderSize + h.InfoBytes();
        const bool plainRows = !IsRle(h) && !h.EmbedsStream();
        if (stated == tableStart && afterTable > tableStart && afterTable < fileSize && plainRows)
            return afterTable;
        return stated >= tableStart && stated < fileSize ? stated : std::min(afterTable, fileSize);
    }

} // namespace

std::optional<QImage> DecodeDib(const ByteView& info, const ByteView& bits)
{
    const auto h = DibHeader::Read(info);
    return h ? DecodeDib(*h, info, bits) : std::nullopt;
}

std::optional<QImage> DecodeDib(const DibHeader& h, const ByteView& info, const ByteView& bits)
{
    if (!h.IsPlausible() || !IsWithinReach(h, bits))
        return std::nullopt;
    QImage image(int(h.width), int(qAbs(h.height)), QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    bool whole = false;
    if (IsRle(h)) {
        image.fill(0);
        const qint64 drawn = DrawRle(bits, h.compression == DibHeader::Compression::Rle4,
            h.height < 0, PaletteOf(h, info), image);
        whole = drawn == qint64(image.width()) * image.height();
    } else {
        whole = DrawRows(h, info, bits, image);
    }
    const bool alpha = h.compression == DibHeader::Compression::Bitfields && h.alphaMask != 0;
    if (whole && !alpha)
        image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

std::optional<QImage> DecodePackedDib(const ByteView& packed)
{
    const auto h = DibHeader::Read(packed);
    if (!h)
        return std::nullopt;
    const qint64 infoBytes = std::min<qint64>(h->InfoBytes(), packed.Size());
    return DecodeDib(packed.Part(0, infoBytes), packed.Part(infoBytes, packed.Size() - infoBytes));
}

std::optional<QImage> DecodeBmpFile(const ByteView& file)
{
    if (file.U8(0) != 'B' || file.U8(1) != 'M')
        return std::nullopt;
    const ByteView dib = file.Part(kFileHeaderSize, file.Size() - kFileHeaderSize);
    const auto h = DibHeader::Read(dib);
    if (!h)
        return std::nullopt;
    const qint64 start = PixelStart(file.U32(10), *h, file.Size());
    const ByteView bits = file.Part(start, file.Size() - start);
    if (h->EmbedsStream()) {
        const QByteArray stream(bits.Data(), bits.Size());
        const PngRoute route
            = stream.startsWith("\x89PNG") ? ChoosePngRoute(stream) : PngRoute::QtReader;
        if (route != PngRoute::QtReader)
            return route == PngRoute::Libpng ? DecodePngWithLibpng(stream) : std::nullopt;
        const QImage embedded = QImage::fromData(stream);
        return embedded.isNull() ? std::nullopt : std::optional(embedded);
    }
    return DecodeDib(dib.Part(0, std::min(h->InfoBytes(), dib.Size())), bits);
}

qint64 BmpFileBytesNeeded(const ByteView& head, qint64 fileSize)
{
    const auto h = DibHeader::Read(head.Part(kFileHeaderSize, head.Size() - kFileHeaderSize));
    if (head.U8(0) != 'B' || head.U8(1) != 'M' || !h)
        return 0;
    const qint64 start = PixelStart(head.U32(10), *h, fileSize);
    const bool streamed = IsRle(*h) || h->EmbedsStream();
    const qint64 pixels = !streamed ? h->PixelBytes() : h->imageSize != 0 ? h->imageSize : fileSize;
    return std::min(fileSize, start + pixels);
}

} // namespace gb::formats
