// Thumbnails of WebP and TIFF pictures made from less than the whole picture: libwebp scaling
// while it decodes, and a TIFF's stored smaller copy read alone.
#include "formats/picture_decoder.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <QBuffer>
#include <QImageWriter>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;
    using Kind = tools::TiffCopy::Kind;
    const QSize kTile(62, 62), kPicture(800, 600);

    // Counts the bytes a decode reads.
    class CountingSource : public MemoryByteSource {
    public:
        using MemoryByteSource::MemoryByteSource;
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            const qint64 before = into.size();
            const bool read = MemoryByteSource::Read(offset, length, into);
            bytesRead += into.size() - before;
            return read;
        }
        qint64 bytesRead = 0;
    };

    LoadedPicture Decode(ByteSource& source, QSize box)
    {
        PictureOptions options;
        options.everyType = options.embeddedThumbnail = true;
        options.reduceFor = box;
        LoadFailure failure = LoadFailure::None;
        return DecodePicture(source, options, failure).value_or(LoadedPicture {});
    }

    double MeanError(const QImage& a, const QImage& b)
    {
        qint64 sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q))
                    + qAbs(qBlue(p) - qBlue(q));
            }
        return double(sum) / (3.0 * a.width() * a.height());
    }

    TEST(ReducedDecode, LooksAsTheWholePictureScaledDown)
    {
        QByteArray webp;
        QBuffer buffer(&webp);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "webp").write(tools::Gradient({ 1600, 1200 }));
        const struct {
            const char* name;
            QByteArray bytes;
            QSize reduced;
        } rows[] = { { "lossy WebP, scaled by libwebp", webp, { 124, 93 } } };
        for (const auto& row : rows) {
            MemoryByteSource tileSource(row.bytes), wholeSource(row.bytes);
            const LoadedPicture tile = Decode(tileSource, kTile);
            const LoadedPicture whole = Decode(wholeSource, QSize());
            EXPECT_EQ(tile.naturalSize, QSize(1600, 1200)) << row.name;
            ASSERT_EQ(tile.image.size(), row.reduced) << row.name;
            const QImage expected
                = whole.image.scaled(row.reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LT(MeanError(tile.image, expected), 2.0) << row.name;
        }
    }

    TEST(ReducedDecode, TiffTakesTheSmallestStoredCopyCoveringTwiceTheTile)
    {
        const QImage picture = tools::Quadrants(kPicture);
        const auto copy = [&](int width, Kind kind) {
            return tools::TiffCopy { picture.scaledToWidth(width), kind };
        };
        const struct {
            const char* name;
            QList<tools::TiffCopy> copies;
            int orientation;
            QSize shown;
            QRgb topLeft;
        } rows[] = {
            { "reduced images in the chain",
                { copy(400, Kind::Reduced), copy(200, Kind::Reduced), copy(100, Kind::Reduced) }, 1,
                { 200, 150 }, kRed },
            { "a SubIFD, turned", { copy(200, Kind::SubIfd) }, 6, { 150, 200 }, kBlue },
            { "an Exif JPEG thumbnail", { copy(160, Kind::ExifJpeg) }, 1, { 160, 120 }, kRed },
            { "copies too small: the picture",
                { copy(100, Kind::Reduced), copy(80, Kind::ExifJpeg) }, 1, kPicture, kRed },
        };
        for (const auto& row : rows) {
            const QByteArray file = tools::WriteTiff(picture, row.copies, row.orientation);
            CountingSource source(file);
            const LoadedPicture shown = Decode(source, kTile);
            EXPECT_EQ(shown.image.size(), row.shown) << row.name;
            EXPECT_EQ(shown.naturalSize, row.orientation == 6 ? kPicture.transposed() : kPicture)
                << row.name;
            EXPECT_EQ(shown.embedded, row.shown != kPicture) << row.name;
            const QRgb got = shown.image.pixel(2, 2);
            EXPECT_NEAR(qRed(got), qRed(row.topLeft), 8) << row.name;
            EXPECT_NEAR(qBlue(got), qBlue(row.topLeft), 8) << row.name;
            if (row.shown != kPicture) { // the head, the RAW probe, the directories, the copy
                EXPECT_LT(source.bytesRead, file.size() / 3) << row.name;
            }
        }
    }

} // namespace
} // namespace gb::formats
