// Bitmaps built field by field: every header, depth and compression, damage, and what to refuse.
#include "formats/dib_reader.h"
#include "formats/icon_bitmap.h"
#include "samplegen/image_writers.h"
#include "samplegen/metafile_writers.h"

#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools;

    const QRgb R = qRgb(255, 0, 0), G = qRgb(0, 255, 0), B = qRgb(0, 0, 255),
               W = qRgb(255, 255, 255), K = qRgb(0, 0, 0),
               T = 0; // T: a pixel the file lacks, fully transparent
    constexpr int kRle8 = 1, kRle4 = 2, kFields = 3, kPng = 5;

    QList<QRgb> Pixels(const std::optional<QImage>& image)
    {
        QList<QRgb> out;
        const QImage argb = image.value_or(QImage()).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x)
                out.append(argb.pixel(x, y));
        return out;
    }

    // A bitmap with a colour table of `palette.size()` entries, masks where the header keeps them.
    DibSpec Dib(int header, int w, int h, int bits, int compression, const QByteArray& pixels,
        const QList<QRgb>& palette = {}, const QList<quint32>& masks = {})
    {
        return { header, w, h, bits, compression, 1, masks, palette, int(palette.size()), pixels,
            {} };
    }

    TEST(DibReaderTest, DecodesEveryHeaderDepthAndCompressionToTheColoursStored)
    {
        DibSpec offset = Dib(40, 1, 1, 24, 0, Bytes({ 9, 9, 9, 9, 0, 255, 0, 0 }));
        offset.pixelOffset = 14 + 40 + 4; // past 4 bytes of something else
        DibSpec pastEnd = Dib(40, 1, 1, 24, 0, Bytes({ 0, 0, 255, 0 }));
        pastEnd.pixelOffset = 14 + 40 + 4; // the file's size
        DibSpec intoTable = Dib(40, 2, 1, 8, 0, Bytes({ 1, 1, 0, 0 }), { G, R, qRgb(0, 0, 2) });
        intoTable.pixelOffset = 14 + 40 + 8; // the rows start at colour 2: bytes 2, 0, 0, 0
        DibSpec atTable = Dib(40, 2, 1, 8, 0, Bytes({ 1, 0, 0, 0 }), { G, R });
        atTable.pixelOffset = 14 + 40; // the table's first byte: the rows follow the table
        const QList<QRgb> rgb { R, G, B };
        const QImage blue = Solid({ 1, 1 }, B);
        const struct {
            const char* name;
            DibSpec spec;
            QList<QRgb> want; // top row first
            bool alpha = false, packed = true; // packed: also read as a headerless DIB
        } cases[] = {
            { "24 bottom-up: rows blue green, red white",
                Dib(40, 2, 2, 24, 0,
                    Bytes({ 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0 })),
                { R, W, B, G } },
            { "8 top-down V5, index 5 past a 3-colour table is black",
                Dib(124, 3, -2, 8, 0, Bytes({ 0, 1, 5, 0, 2, 2, 0, 0 }), rgb),
                { R, G, K, B, B, R } },
            // 10-10-10-2: 1023 -> 255, 512 -> 128; alpha 3 -> 255, 1 -> 85.
            { "32 V4 10-10-10-2",
                Dib(108, 2, -1, 32, kFields, Dwords({ qint32(0xfff80000), 0x400003ff }), {},
                    { 0x3ff00000, 0xffc00, 0x3ff, 0xc0000000 }),
                { qRgba(255, 128, 0, 255), qRgba(0, 0, 255, 85) }, true },
            // 11-11-10 after a 40-byte header: 2047 -> 255, 1024 of 2047 and 512 of 1023 -> 128.
            { "32 11-11-10",
                Dib(40, 2, 1, 32, kFields, Dwords({ qint32(0xfff00200), 0 }), {},
                    { 0xffe00000, 0x1ffc00, 0x3ff }),
                { qRgb(255, 128, 128), K } },
            // 4-4-4-4 in a V3 header: 8 of 15 -> 136, alpha 15 -> 255 and 0 -> 0.
            { "16 V3 4-4-4-4",
                Dib(56, 2, 1, 16, kFields, Words({ 0xf80f, 0 }), {}, { 0xf00, 0xf0, 0xf, 0xf000 }),
                { qRgba(136, 0, 255, 255), T }, true },
            // 5-5-5 unless told otherwise, masks in a V2 header too: 31 -> 255, 16 of 31 -> 132.
            // 5-5-5 unless told otherwise: 31 -> 255, 16 of 31 -> 132; 5-6-5: 32 of 63 -> 130.
            { "16 plain", Dib(40, 2, 1, 16, 0, Words({ 0x7c00, 0x210 })),
                { R, qRgb(0, 132, 132) } },
            { "16 V2 5-6-5",
                Dib(52, 2, 1, 16, kFields, Words({ 0xf800, 0x410 }), {}, { 0xf800, 0x7e0, 0x1f }),
                { R, qRgb(0, 130, 132) } },
            { "32 8-8-8 in another order",
                Dib(40, 1, 1, 32, kFields, Bytes({ 16, 32, 48, 0 }), {},
                    { 0xff0000, 0xff, 0xff00 }),
                { qRgb(48, 16, 32) } },
            { "32 V5 8-8-8-8",
                Dib(124, 1, 1, 32, kFields, Bytes({ 16, 32, 48, 128 }), {},
                    { 0xff0000, 0xff00, 0xff, 0xff000000 }),
                { qRgba(48, 32, 16, 128) }, true },
            { "32 plain ignores its fourth byte", Dib(40, 1, 1, 32, 0, Bytes({ 16, 32, 48, 0 })),
                { qRgb(48, 32, 16) } },
            { "OS/2 16 bytes, 1 bit", Dib(16, 2, 1, 1, 0, Bytes({ 0x80, 0, 0, 0 }), { R, G }),
                { G, R } },
            { "OS/2 64 bytes, RLE4",
                Dib(64, 3, 1, 4, kRle4, RleCodes().Run(2, 0x12).Run(1, 0).Bytes(), rgb),
                { G, B, R } },
            { "core, 3-byte colours", Dib(12, 2, 1, 1, 0, Bytes({ 0x40, 0, 0, 0 }), { B, W }),
                { B, W } },
            { "pixel offset honoured", offset, { G }, false, false },
            { "pixel offset at the end", pastEnd, { R } },
            { "pixel offset inside the table", intoTable, { qRgb(0, 0, 2), G }, false, false },
            { "pixel offset naming the table", atTable, { R, G }, false, false },
            { "embedded PNG", Dib(40, 1, 1, 0, kPng, WritePng(blue)), { B }, false, false },
            // 4 x 3: runs, a padded literal clipped at the edge, deltas, end codes.
            { "RLE8",
                Dib(40, 4, 3, 8, kRle8,
                    RleCodes()
                        .Run(2, 1)
                        .Literal(3, Bytes({ 2, 0, 1 }))
                        .EndOfLine()
                        .Delta(1, 0)
                        .Run(1, 0)
                        .Delta(1, 1)
                        .Run(3, 2)
                        .EndOfBitmap()
                        .Bytes(),
                    rgb),
                { T, T, T, B, T, R, T, T, G, G, B, R }, true },
            { "RLE4 nibbles take turns; a literal of 5 is padded",
                Dib(40, 9, 1, 4, kRle4,
                    RleCodes()
                        .Run(3, 0x12)
                        .Literal(5, Bytes({ 0x21, 0x01, 0x20 }))
                        .EndOfBitmap()
                        .Run(1, 0)
                        .Bytes(),
                    rgb),
                { G, B, G, B, G, R, G, B, T }, true },
            { "RLE8 delta past the last row",
                Dib(40, 2, 2, 8, kRle8, RleCodes().Run(1, 0).Delta(0, 5).Run(2, 1).Bytes(), rgb),
                { T, T, R, T }, true },
            { "RLE8 literal of 4 cut after 2, no end code; 7 is past the table",
                Dib(40, 4, 1, 8, kRle8, RleCodes().Run(1, 0).Bytes() + Bytes({ 0, 4, 1, 7 }), rgb),
                { R, G, K, T }, true },
            { "rows cut short", Dib(40, 1, 3, 24, 0, Bytes({ 255, 0, 0, 0, 9 })), { T, T, B },
                true },
        };
        for (const auto& c : cases) {
            const auto image = DecodeBmpFile(ByteView(WriteDib(c.spec)));
            EXPECT_EQ(Pixels(image), c.want) << c.name;
            EXPECT_EQ(image && image->hasAlphaChannel(), c.alpha) << c.name;
            EXPECT_TRUE(
                !c.packed || Pixels(DecodePackedDib(ByteView(WriteDib(c.spec, false)))) == c.want)
                << c.name;
        }
    }

    TEST(DibReaderTest, RefusesClaimsTheDataCannotBackAndWhatNoDecoderShows)
    {
        const QByteArray none(8, '\0');
        const struct {
            const char* name;
            DibSpec spec;
            bool loads;
        } cases[] = {
            // RLE: a megapixel whatever the size, else 1024 pixels a byte of stream.
            { "RLE 1024 x 1024 in 2 bytes", Dib(40, 1024, 1024, 8, kRle8, none.left(2)), true },
            { "RLE 1024 x 1025 in 1025 bytes", Dib(40, 1024, 1025, 8, kRle8, QByteArray(1025, 0)),
                true },
            { "RLE 1024 x 1025 in 1024 bytes", Dib(40, 1024, 1025, 8, kRle8, QByteArray(1024, 0)),
                false },
            { "RLE4 2554 x 18803 in 253 bytes", Dib(40, 2554, 18803, 4, kRle4, QByteArray(253, 0)),
                false },
            { "beyond 256 MB", Dib(40, 16384, 4097, 32, 0, QByteArray(65536, 0)), false },
            { "not one whole row", Dib(40, 2, 2, 24, 0, none.left(7)), false },
            { "OS/2 Huffman", Dib(64, 1, 1, 1, 3, none), false },
            { "JPEG that is not", Dib(40, 1, 1, 0, 4, QByteArray(8, '\xff')), false },
        };
        for (const auto& c : cases)
            EXPECT_EQ(DecodeBmpFile(ByteView(WriteDib(c.spec))).has_value(), c.loads) << c.name;
    }

    // Icon bitmaps: header height twice the image's, colours, then the AND mask (1: clear).
    TEST(DibReaderTest, IconBitmapsTakeTheirAlphaElseTheirAndMask)
    {
        const QByteArray andRight = Bytes({ 0x40, 0, 0, 0 }), andLeft = Bytes({ 0x80, 0, 0, 0 });
        const std::pair<DibSpec, QList<QRgb>> cases[] = {
            { Dib(40, 2, 4, 1, 0, Bytes({ 0x80, 0, 0, 0, 0x40, 0, 0, 0 }) + andRight + andLeft,
                  { K, W }),
                { T, W, W, T } }, // the first rows are the bottom ones
            { Dib(40, 2, 2, 32, 0, Bytes({ 16, 32, 48, 128, 1, 2, 3, 0 }) + andLeft),
                { qRgba(48, 32, 16, 128), qRgba(3, 2, 1, 0) } },
            { Dib(40, 2, 2, 32, 0, Bytes({ 16, 32, 48, 0, 1, 2, 3, 0 }) + andRight),
                { qRgb(48, 32, 16), T } },
            { Dib(40, 2, 2, 32, 0, Bytes({ 16, 32, 48, 0, 1, 2, 3, 0 })),
                { qRgb(48, 32, 16), qRgb(3, 2, 1) } },
            { Dib(40, 2, 1, 1, 0, Bytes({ 0x80, 0, 0, 0 }), { K, W }), {} }, // no room for a mask
        };
        for (const auto& [spec, want] : cases)
            EXPECT_EQ(Pixels(DecodeIconBitmap(ByteView(WriteDib(spec, false)))), want) << spec.bits;
    }

} // namespace
} // namespace gb::formats
