// PNG chunks checked against the file; 16-bit RGB with a transparent colour decoded by libpng.
#include "formats/type_decoders.h"
#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    const QByteArray kIntact = tools::WritePng(tools::Quadrants(QSize(8, 8)));
    constexpr qsizetype kSignatureAndHeader = 8 + 25;

    // The intact PNG with its IDAT's length field set to `length`.
    QByteArray WithIdatLength(quint32 length)
    {
        const quint32 field = qToBigEndian(length);
        return QByteArray(kIntact).replace(
            kIntact.indexOf("IDAT") - 4, 4, reinterpret_cast<const char*>(&field), 4);
    }

    struct ChunkCase {
        const char* name;
        QByteArray png;
        bool shown;
    };

    class PngChunkBounds : public testing::TestWithParam<ChunkCase> { };

    TEST_P(PngChunkBounds, AChunkRunningPastTheEndRefusesTheFile)
    {
        const auto picture = DecodePngFile(GetParam().png, {});
        ASSERT_EQ(picture.has_value(), GetParam().shown);
        if (picture) {
            EXPECT_EQ(picture->image.pixel(7, 7), tools::quadrant::kYellow);
        }
    }

    QByteArray TextClaiming(quint32 length)
    {
        QByteArray png = kIntact.first(kSignatureAndHeader);
        tools::PutBe32(png, length);
        return png + QByteArray("tEXtComment\0text", 16) + kIntact.mid(kSignatureAndHeader);
    }

    INSTANTIATE_TEST_SUITE_P(Files, PngChunkBounds,
        testing::Values(ChunkCase { "Intact", kIntact, true },
            ChunkCase { "BytesAfterTheEndChunk", kIntact + "trailing", true },
            ChunkCase { "TextClaims2GB", TextClaiming(0x7ffffff0u), false },
            ChunkCase { "PixelDataOneBytePastTheEnd",
                WithIdatLength(quint32(kIntact.size() - kIntact.indexOf("IDAT") - 8 + 1)), false },
            ChunkCase { "EndChunkCutShort", kIntact.chopped(1), false }),
        [](const auto& row) { return std::string(row.param.name); });

    TEST(PngDecoder, Shows16BitRgbWithATransparentColourInItsOwnColours)
    {
        // The transparent colour is matched on all 16 bits: one unit of red apart stays opaque.
        const QRgba64 transparent = qRgba64(0x1000, 0x2000, 0x3000, 0xffff);
        QImage deep(4, 1, QImage::Format_RGBA64);
        deep.setPixelColor(0, 0, QColor::fromRgba64(transparent));
        deep.setPixelColor(1, 0, QColor::fromRgba64(0x1001, 0x2000, 0x3000));
        deep.setPixelColor(2, 0, QColor::fromRgba64(0xffff, 0, 0));
        deep.setPixelColor(3, 0, QColor::fromRgba64(0x8080, 0x4040, 0x2020));
        const auto picture = DecodePngFile(tools::WriteRgb48Png(deep, transparent), {});
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(picture->image.pixel(0, 0), qRgba(0, 0, 0, 0));
        EXPECT_EQ(picture->image.pixel(1, 0), qRgb(16, 32, 48));
        EXPECT_EQ(picture->image.pixel(2, 0), qRgb(255, 0, 0));
        EXPECT_EQ(picture->image.pixel(3, 0), qRgb(128, 64, 32));
    }

    TEST(PngDecoder, Leaves16BitRgbWithoutATransparentColourToQtsReaderWhichAppliesItsGamma)
    {
        const QImage grey = tools::Solid({ 2, 2 }, QColor(50, 50, 50), QImage::Format_RGBX64);
        const QByteArray linear("\x00\x01\x86\xa0", 4); // gAMA 1.0: linear light
        const auto picture = DecodePngFile(tools::WritePng(grey, {}, { { "gAMA", linear } }), {});
        ASSERT_TRUE(picture);
        EXPECT_NEAR(qRed(picture->image.pixel(1, 1)), 122, 1); // linear 50 in sRGB's curve
    }

} // namespace
} // namespace gb::formats
