// Which reader each kind of TIFF-headed file goes to, and what it shows.
#include "formats/picture_decoder.h"
#include "formats/picture_types.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;
    using tools::TiffSamples;
    using Kind = TiffSamples::Kind;

    // Four quarters of the colours given (top left, top right, bottom left, bottom right).
    QImage Quarters(QRgb topLeft, QRgb topRight, QRgb bottomLeft, QRgb bottomRight)
    {
        QImage image(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.setPixel(x, y,
                    y < 4 ? (x < 4 ? topLeft : topRight) : (x < 4 ? bottomLeft : bottomRight));
        return image;
    }

    // L* (0..255 for 0..100), a*, b* as a CIELab TIFF stores them.
    QRgb Lab(int lightness, int a, int b) { return qRgb(lightness, quint8(a), quint8(b)); }

    TEST(TiffTypesTest, EachKindGoesToItsReaderAndShowsWhatItStores)
    {
        const QImage quadrants = tools::Quadrants({ 8, 8 });
        const QRgb kWhite = qRgb(255, 255, 255);
        // The CIELab rows' colours worked out from their stored values: L*a*b* to XYZ against the
        // file's white (D50 when it names none), Bradford-adapted to D65, to sRGB.
        const struct {
            const char* name;
            QByteArray file;
            const char* reader;
            QRgb topLeft, topRight, bottomLeft, bottomRight;
        } rows[] = {
            // Cameras LibRaw knows by their maker, but plain 16-bit grey pictures, as stored.
            { "DJI multispectral",
                tools::WriteTiff(tools::Solid({ 32, 32 }, QColor(90, 90, 90)), {}, 1,
                    { .kind = Kind::Grey, .bits = 16, .make = "DJI" }),
                "tiff", qRgb(90, 90, 90), qRgb(90, 90, 90), qRgb(90, 90, 90), qRgb(90, 90, 90) },
            { "FLIR thermal",
                tools::WriteTiff(tools::Solid({ 32, 32 }, QColor(20, 20, 20)), {}, 1,
                    { .kind = Kind::Grey, .bits = 16, .make = "FLIR Systems AB" }),
                "tiff", qRgb(20, 20, 20), qRgb(20, 20, 20), qRgb(20, 20, 20), qRgb(20, 20, 20) },
            { "BigTIFF", tools::WriteTiff(quadrants, {}, 1, { .bigTiff = true }), "tiff", kRed,
                kGreen, kBlue, kYellow },
            { "16-bit RGB in planes",
                tools::WriteTiff(quadrants, {}, 1, { .bits = 16, .planar = true }), "tiff", kRed,
                kGreen, kBlue, kYellow },
            { "CIELab, white unnamed (D50)",
                tools::WriteTiff(
                    Quarters(Lab(255, 0, 0), Lab(128, 0, 0), Lab(150, 20, -30), Lab(200, 10, 40)),
                    {}, 1, { .kind = Kind::CieLab }),
                "tiff", kWhite, qRgb(119, 119, 119), qRgb(156, 130, 195), qRgb(229, 186, 119) },
            { "CIELab, D65",
                tools::WriteTiff(Quarters(Lab(255, 0, 0), Lab(100, -25, 15), Lab(150, 20, -30),
                                     Lab(200, 10, 40)),
                    {}, 1, { .kind = Kind::CieLab, .whiteD65 = true }),
                "tiff", kWhite, qRgb(54, 102, 67), qRgb(150, 132, 194), qRgb(235, 185, 120) },
            // The camera's preview, as large as developing would make the picture.
            { "DNG",
                tools::WriteCameraRaw(
                    { tools::RawKind::Dng, tools::Quadrants({ 48, 32 }), { 96, 64 }, 1 }),
                "raw", kRed, kGreen, kBlue, kYellow },
            { "CR2",
                tools::WriteCameraRaw(
                    { tools::RawKind::Cr2, tools::Quadrants({ 48, 32 }), { 96, 64 }, 1 }),
                "raw", kRed, kGreen, kBlue, kYellow },
        };
        for (const auto& row : rows) {
            MemoryByteSource source(row.file);
            const PictureType* type = FindPictureType(row.file, source);
            ASSERT_TRUE(type) << row.name;
            EXPECT_STREQ(type->name, row.reader) << row.name;
            LoadFailure failure = LoadFailure::None;
            const auto picture = DecodePicture(source, { false, {}, false, true }, failure);
            ASSERT_TRUE(picture) << row.name;
            const QImage& image = picture->image;
            const int left = image.width() / 4, right = left * 3;
            const int top = image.height() / 4, bottom = top * 3;
            for (const auto& [x, y, want] :
                { std::tuple { left, top, row.topLeft }, { right, top, row.topRight },
                    { left, bottom, row.bottomLeft }, { right, bottom, row.bottomRight } }) {
                const QRgb got = image.pixel(x, y);
                const std::string where
                    = std::string(row.name) + " at " + std::to_string(x) + "," + std::to_string(y);
                EXPECT_NEAR(qRed(got), qRed(want), 3) << where;
                EXPECT_NEAR(qGreen(got), qGreen(want), 3) << where;
                EXPECT_NEAR(qBlue(got), qBlue(want), 3) << where;
            }
        }
    }

} // namespace
} // namespace gb::formats
