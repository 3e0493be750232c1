// The byte view every parser reads through, the bitmap header and the icon directory.
#include "formats/byte_view.h"
#include "formats/dib_header.h"
#include "formats/icon_directory.h"
#include "writers/bitmap_header_writer.h"
#include "writers/byte_packer.h"

#include <QtEndian>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::formats {
namespace {

    using tools::Dwords;
    using tools::Words;

    TEST(ByteViewTest, FitsUpToTheLastByteAndNeverPastIt)
    {
        const QByteArray bytes(8, 'x'); // the reads through it are checked by every parser's test
        const ByteView view(bytes);
        EXPECT_TRUE(view.Fits(0, 8) && view.Fits(8, 0) && view.Fits(4, 4));
        EXPECT_FALSE(view.Fits(0, 9) || view.Fits(9, 0) || view.Fits(5, 4) || view.Fits(-1, 1)
            || view.Fits(2, -1) || ByteView().Fits(0, 1));
    }

    // A header of `size` bytes: width, height, planes, bits, compression, colours used.
    QByteArray Info(quint32 size, qint32 w, qint32 h, int planes, int bits, int compression = 0,
        qint32 used = 0)
    {
        return tools::WriteBitmapHeader(
            { int(size), w, h, bits, compression, planes, {}, {}, used, {}, {}, 77 });
    }

    TEST(DibHeaderTest, ReadsOnlyKnownSizesThatAreThereWhole)
    {
        for (const quint32 size : { 12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u }) {
            const QByteArray bytes = Info(size, 3, -2, 1, 24);
            const auto header = DibHeader::Read(ByteView(bytes));
            ASSERT_TRUE(header) << size;
            EXPECT_EQ(std::tuple(header->width, header->height, header->bits),
                std::tuple(3, size == 12 ? 65534 : -2, 24u)); // core sizes are unsigned
            EXPECT_FALSE(DibHeader::Read(ByteView(bytes.left(size - 1)))) << size;
        }
        for (const quint32 size : { 0u, 11u, 13u, 39u, 41u, 1024u }) {
            QByteArray bytes = Info(40, 3, 2, 1, 24).leftJustified(2000, '\0');
            qToLittleEndian(size, bytes.data());
            EXPECT_FALSE(DibHeader::Read(ByteView(bytes))) << size;
        }
    }

    // Plausible at the limits and not beyond; the colour table and masks, and the padded rows.
    TEST(DibHeaderTest, PlausibilityAndWhereThePixelsStart)
    {
        const struct {
            QByteArray info;
            bool plausible;
            qint64 infoBytes = 0, pixelBytes = 0; // 0: not checked
        } cases[] = {
            { Info(40, 65535, -65535, 1, 1), true }, { Info(40, 65536, 1, 1, 1), false },
            { Info(40, 1, 65536, 1, 1), false }, { Info(40, 1, -65536, 1, 1), false },
            { Info(40, 0, 1, 1, 1), false }, { Info(40, 1, 0, 1, 1), false },
            { Info(40, 1, 1, 0, 24), true }, { Info(40, 1, 1, 2, 24), true }, // planes ignored
            { Info(40, 1, 1, 1, 7), false }, { Info(40, 1, 1, 1, 33), false },
            { Info(40, 64, 64, 1, 8, 1), true, 40 + 4 * 256, 77 }, // RLE8: the stored size
            { Info(40, 1, 1, 1, 4, 1), false }, { Info(40, 1, 1, 1, 4, 2), true }, // RLE4
            { Info(40, 1, 1, 1, 8, 2), false },
            { Info(40, 2, 2, 1, 32, 3), true, 52, 16 }, // bitfields: masks after the header
            { Info(108, 2, 2, 1, 32, 3), true, 108, 16 }, // or inside it
            { Info(40, 1, 1, 1, 16, 3), true }, { Info(40, 1, 1, 1, 24, 3), false },
            { Info(40, 1, 1, 1, 24, 4), false }, { Info(12, 5, 2, 1, 8), true, 12 + 3 * 256, 16 },
            { Info(40, 5, -2, 1, 8, 0, 256), true, 40 + 4 * 256, 16 },
            { Info(40, 1, 1, 1, 8, 0, 257), false },
            { Info(40, 5, 2, 1, 4, 0, 3), true, 40 + 4 * 3, 8 },
            { Info(40, 33, 1, 1, 1), true, 48, 8 }, { Info(40, 3, 2, 1, 24), true, 40, 24 },
            { Info(40, 3, 2, 1, 24, 0, 257), true, 40 + 4 * 257, 24 }, // a table for other uses
        };
        for (size_t i = 0; i < std::size(cases); ++i) {
            const auto h = DibHeader::Read(ByteView(cases[i].info));
            ASSERT_TRUE(h);
            EXPECT_EQ(h->IsPlausible(), cases[i].plausible) << i;
            EXPECT_TRUE(cases[i].infoBytes == 0
                || std::pair(h->InfoBytes(), h->PixelBytes())
                    == std::pair(cases[i].infoBytes, cases[i].pixelBytes))
                << i;
        }
    }

    // An ICONDIR with entries { width, height, bits, bytes, offset }, then `payload` zero bytes.
    QByteArray Directory(
        const QList<std::array<quint32, 5>>& entries, int count, int payload, int type = 1)
    {
        QByteArray b = Words({ 0, type, count });
        for (const auto& [width, height, bits, bytes, offset] : entries)
            b += QByteArray(1, char(width)) + QByteArray(1, char(height)) + Words({ 0, 1 })
                + Words({ qint32(bits) }) + Dwords({ qint32(bytes), qint32(offset) });
        return b + QByteArray(payload, '\0');
    }

    TEST(IconDirectoryTest, ChoosesNearestThenDeeperThenFirstAndSurvivesHostileDirectories)
    {
        // A 24-bit DIB, then a PNG of 8-bit RGBA samples: 32 bits deep, so the PNG is chosen.
        QByteArray png = Directory({ { 32, 32, 24, 40, 64 }, { 32, 32, 0, 26, 38 } }, 2, 66);
        png.replace(38, 16, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
        png.replace(62, 2, "\x08\x06");
        const struct {
            QByteArray bytes;
            int chosen; // -1: none
            int side = 32;
        } cases[] = {
            { Directory(
                  { { 16, 16, 32, 40, 54 }, { 48, 48, 32, 40, 54 }, { 32, 32, 4, 40, 54 } }, 3, 40),
                2 },
            { Directory({ { 16, 16, 8, 40, 38 }, { 48, 48, 32, 40, 38 } }, 2, 40), 1 },
            { Directory({ { 16, 16, 8, 40, 38 }, { 48, 48, 8, 40, 38 } }, 2, 40), 0 },
            { Directory({ { 64, 64, 32, 40, 38 }, { 0, 0, 32, 40, 38 } }, 2, 40), 1, 256 },
            { png, 1 },
            { Directory({ { 32, 32, 8, 40, 38 }, { 32, 32, 24, 40, 38 } }, 2, 40) // both 32 deep
                    .replace(38, 16, tools::WriteBitmapHeader({ 40, 32, 32, 32 }).first(16)),
                0 },
            { Directory({}, 0, 40), -1 },
            { Directory({ { 32, 32, 32, 40, 22 } }, 1, 40, 3), -1 }, // no icon type
            // The entries present are still offered when the count runs past the end, and no
            // more than it counts when there are more.
            { Directory({ { 16, 16, 32, 40, 22 } }, 200, 40), 0 },
            { Directory({ { 16, 16, 32, 40, 38 }, { 32, 32, 32, 40, 38 } }, 1, 40), 0 },
            // Payloads past the end, ending one byte past it, or absurdly far away are skipped;
            // one ending on the last byte is not.
            { Directory({ { 32, 32, 32, 40, 5000 }, { 16, 16, 32, 40, 38 } }, 2, 40), 1 },
            { Directory({ { 32, 32, 32, 41, 38 }, { 16, 16, 32, 40, 38 } }, 2, 40), 1 },
            { Directory({ { 32, 32, 32, 40, 38 }, { 16, 16, 32, 40, 38 } }, 2, 40), 0 },
            { Directory({ { 32, 32, 32, 40, 0xfffffff0u } }, 1, 40), -1 },
            { Directory({ { 32, 32, 32, 0xffffffffu, 22 } }, 1, 40), -1 },
        };
        for (size_t i = 0; i < std::size(cases); ++i)
            EXPECT_EQ(
                ChooseIconEntry(cases[i].bytes, QSize(cases[i].side, cases[i].side)).value_or(-1),
                cases[i].chosen)
                << i;
    }

} // namespace
} // namespace gb::formats
