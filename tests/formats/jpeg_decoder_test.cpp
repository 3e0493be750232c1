// The JPEG decoder against the pictures' own colours and against Qt's reader on the same bytes.
#include "formats/jpeg_decoder.h"
#include "samplegen/image_writers.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;

    QByteArray Written(const QImage& image, bool progressive = false)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(95);
        writer.setProgressiveScanWrite(progressive);
        writer.write(image);
        return buffer.data();
    }

    QByteArray CmykFile()
    {
        QFile file(GLIMMERBOX_SOURCE_DIR "/tests/data/jpeg/cmyk-quadrants.jpg");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // What Qt's reader gives for the bytes, asked for the size ours was reduced to, if any.
    QImage QtReads(const QByteArray& bytes, QSize reduced)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        reader.setScaledSize(reduced);
        return reader.read().convertToFormat(QImage::Format_RGB32);
    }

    int Distance(QRgb a, QRgb b)
    {
        return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
            std::abs(qBlue(a) - qBlue(b)) });
    }

    struct Row {
        const char* name;
        QByteArray bytes;
        QSize box; // invalid: full size
        QSize size; // of the decoded picture
        QSize natural;
        QRgb topLeft; // and the bottom right, when given
        std::optional<QRgb> bottomRight = std::nullopt;
    };

    TEST(JpegDecoder, DecodesEachKindAsQtsReaderDoesInItsOwnColours)
    {
        const QImage quadrants = tools::Quadrants({ 64, 48 });
        const QImage large = tools::Quadrants({ 800, 600 });
        const QByteArray colour = Written(quadrants);
        const QByteArray progressive = Written(quadrants, true);
        const QByteArray whole = Written(large), wholeProgressive = Written(large, true);
        const QSize small(64, 48), wide(800, 600);
        const QRgb grey = qRgb(128, 128, 128);
        const std::vector<Row> rows {
            { "baseline", colour, {}, small, small, kRed, kYellow },
            { "grey", Written(quadrants.convertToFormat(QImage::Format_Grayscale8)), {}, small,
                small, quadrants.convertToFormat(QImage::Format_Grayscale8).pixel(0, 0) },
            { "cmyk", CmykFile(), {}, { 32, 32 }, { 32, 32 }, qRgb(255, 0, 0), qRgb(255, 255, 0) },
            { "progressive", progressive, {}, small, small, kRed, kYellow },
            { "turned a quarter", tools::WriteJpeg(quadrants, 95, 6), {}, { 48, 64 }, { 48, 64 },
                kBlue, kGreen },
            { "turned half", tools::WriteJpeg(quadrants, 95, 3), {}, small, small, kYellow, kRed },
            { "turned back a quarter", tools::WriteJpeg(quadrants, 95, 8), {}, { 48, 64 },
                { 48, 64 }, kGreen, kBlue },
            { "halved", whole, { 160, 160 }, { 400, 300 }, wide, kRed, kYellow },
            { "quartered", whole, { 80, 80 }, { 200, 150 }, wide, kRed, kYellow },
            { "eighth", whole, { 40, 40 }, { 100, 75 }, wide, kRed, kYellow },
            { "halved, odd size", Written(tools::Quadrants({ 801, 601 })), { 160, 160 },
                { 401, 301 }, { 801, 601 }, kRed, kYellow },
            { "cut short", whole.left(whole.size() * 2 / 3), {}, wide, wide, kRed, grey },
            { "progressive cut short", wholeProgressive.left(wholeProgressive.size() * 2 / 3), {},
                wide, wide, kRed },
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            JpegRequest request;
            request.reduceFor = row.box;
            const auto picture = DecodeJpeg(row.bytes, request);
            ASSERT_TRUE(picture);
            const QImage& image = picture->image;
            EXPECT_EQ(image.format(), QImage::Format_RGB32);
            EXPECT_EQ(image.size(), row.size);
            EXPECT_EQ(picture->naturalSize, row.natural);
            EXPECT_EQ(image, QtReads(row.bytes, row.box.isValid() ? row.size : QSize()));
            EXPECT_LE(Distance(image.pixel(1, 1), row.topLeft), 12);
            if (row.bottomRight) {
                EXPECT_LE(
                    Distance(image.pixel(image.width() - 2, image.height() - 2), *row.bottomRight),
                    12);
            }
        }
    }

    TEST(JpegDecoder, RefusesWhatIsNoPictureOrTooLargeToHold)
    {
        QByteArray huge = Written(tools::Quadrants({ 16, 16 }));
        const qsizetype frame = huge.indexOf("\xff\xc0");
        ASSERT_GT(frame, 0);
        huge.replace(frame + 5, 4, QByteArray("\xea\x60\xea\x60", 4)); // 60000 x 60000
        JpegRequest thumbnail; // reduced, it would still fit: the stored size decides
        thumbnail.reduceFor = QSize(62, 62);
        EXPECT_FALSE(DecodeJpeg(huge, thumbnail));
        EXPECT_FALSE(DecodeJpeg(QByteArray("\xff\xd8\xff\xe0\x00\x10 not a picture at all")));
        EXPECT_FALSE(DecodeJpeg(QByteArray()));
    }

    // Each scan of a progressive file is a pass over the whole picture.
    TEST(JpegDecoder, RefusesAProgressiveFileOfEndlessScans)
    {
        const QByteArray file = Written(tools::Quadrants({ 16, 16 }), true);
        const qsizetype lastTables = file.lastIndexOf("\xff\xc4"), end = file.size() - 2;
        const QByteArray scan = file.mid(lastTables, end - lastTables);
        const auto repeated
            = [&](int times) { return file.left(end) + scan.repeated(times) + file.right(2); };
        EXPECT_TRUE(DecodeJpeg(repeated(100)));
        EXPECT_FALSE(DecodeJpeg(repeated(600)));
    }

} // namespace
} // namespace gb::formats

namespace gb::formats {
namespace {

    // A flat brick red, written with the colour space named and decoded for the screen.
    QRgb ShownColour(const QColorSpace& space)
    {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(qRgb(200, 60, 60));
        image.setColorSpace(space);
        const auto picture = DecodeJpeg(Written(image), JpegRequest {});
        return picture ? picture->image.pixel(8, 8) : 0;
    }

    TEST(JpegDecoder, ShowsAWideGamutPictureInSrgbAndLeavesSrgbAsItIs)
    {
        for (const QColorSpace& plain : { QColorSpace(), QColorSpace(QColorSpace::SRgb) }) {
            const QRgb shown = ShownColour(plain);
            EXPECT_NEAR(qRed(shown), 200, 2);
            EXPECT_NEAR(qGreen(shown), 60, 2);
        }
        // The same numbers mean a deeper red in Adobe RGB and in Display P3 than in sRGB; the
        // expected values come from the published primaries and curves (worked out by hand).
        const QRgb adobe = ShownColour(QColorSpace(QColorSpace::AdobeRgb));
        EXPECT_NEAR(qRed(adobe), 231, 2);
        EXPECT_NEAR(qGreen(adobe), 57, 2);
        const QRgb p3 = ShownColour(QColorSpace(QColorSpace::DisplayP3));
        EXPECT_NEAR(qRed(p3), 217, 2);
        EXPECT_NEAR(qGreen(p3), 42, 2);
    }

} // namespace
} // namespace gb::formats
