// Tiles of WebP and TIFF pictures from less than the whole: libwebp scaling, a TIFF's own copy.
#include "formats/picture_decoder.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;
    using enum tools::TiffCopy::Kind;
    const QSize kTile(62, 62), kPicture(800, 600);

    struct CountingSource : MemoryByteSource {
        using MemoryByteSource::MemoryByteSource;
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            bytesRead += std::clamp(Size() - offset, qint64(0), length);
            return MemoryByteSource::Read(offset, length, into);
        }
        qint64 bytesRead = 0;
    };

    LoadedPicture Decode(ByteSource& source, QSize box)
    {
        LoadFailure failure; // every type shown, embedded copies allowed
        return DecodePicture(source, { false, box, true, true }, failure)
            .value_or(LoadedPicture {});
    }

    double MeanColourError(const QImage& a, const QImage& b)
    {
        qint64 sum = 0;
        for (qsizetype i = 0; i < a.sizeInBytes(); ++i)
            sum += i % 4 == 3 ? 0 : qAbs(a.constBits()[i] - b.constBits()[i]);
        return double(sum) / (0.75 * double(a.sizeInBytes()));
    }

    TEST(ReducedDecode, WebpScaledWhileDecodedLooksAsTheWholeScaledDown)
    {
        QByteArray webp;
        QBuffer buffer(&webp);
        tools::Gradient({ 1600, 1200 }).save(&buffer, "webp");
        MemoryByteSource tileSource(webp), wholeSource(webp);
        const LoadedPicture tile = Decode(tileSource, kTile);
        EXPECT_EQ(tile.naturalSize, QSize(1600, 1200));
        ASSERT_EQ(tile.image.size(), QSize(124, 93)); // twice the tile fitted
        const QImage whole
            = Decode(wholeSource, QSize())
                  .image.scaled(tile.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(MeanColourError(tile.image, whole), 2.0);
    }

    TEST(ReducedDecode, TiffTakesTheSmallestStoredCopyCoveringTwiceTheTile)
    {
        const QImage picture = tools::Quadrants(kPicture);
        const auto copy = [&](int width, tools::TiffCopy::Kind kind) {
            return tools::TiffCopy { picture.scaledToWidth(width), kind };
        };
        const struct {
            const char* name;
            QList<tools::TiffCopy> copies;
            int orientation;
            QSize shown;
        } rows[] = {
            { "reduced images in the chain",
                { copy(400, Reduced), copy(200, Reduced), copy(100, Reduced) }, 1, { 200, 150 } },
            { "a SubIFD, turned", { copy(200, SubIfd) }, 6, { 150, 200 } },
            { "an Exif JPEG thumbnail", { copy(160, ExifJpeg) }, 1, { 160, 120 } },
            { "copies too small", { copy(100, Reduced), copy(80, ExifJpeg) }, 1, kPicture },
        };
        for (const auto& row : rows) {
            CountingSource source(tools::WriteTiff(picture, row.copies, row.orientation));
            const LoadedPicture shown = Decode(source, kTile);
            EXPECT_EQ(shown.image.size(), row.shown) << row.name;
            EXPECT_EQ(shown.naturalSize, row.orientation == 6 ? kPicture.transposed() : kPicture)
                << row.name;
            EXPECT_EQ(shown.embedded, row.shown != kPicture) << row.name;
            const QRgb got = shown.image.pixel(2, 2), want = row.orientation == 6 ? kBlue : kRed;
            EXPECT_NEAR(qRed(got), qRed(want), 8) << row.name;
            EXPECT_NEAR(qBlue(got), qBlue(want), 8) << row.name;
            // A copy reads the head, the RAW probe's blocks, the directories and itself alone.
            EXPECT_EQ(source.bytesRead < source.Size() / 3, row.shown != kPicture) << row.name;
        }
    }

} // namespace
} // namespace gb::formats
