// Which reader each kind of TIFF goes to, and what it shows (camera RAW files: raw_decoder_test).
#include "formats/picture_decoder.h"
#include "formats/picture_types.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <array>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;
    using tools::WriteTiff;
    using Kind = tools::TiffSamples::Kind;
    using Four = std::array<QRgb, 4>; // top left, top right, bottom left, bottom right

    QImage Quarters(Four colours, int side = 8)
    {
        QImage image(side, side, QImage::Format_RGB32);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                image.setPixel(x, y, colours[y * 2 / side * 2 + x * 2 / side]);
        return image;
    }

    // L* (0..255 for 0..100), a*, b* as a CIELab TIFF stores them.
    QRgb Lab(int lightness, int a, int b) { return qRgb(lightness, quint8(a), quint8(b)); }

    TEST(TiffTypesTest, EachKindGoesToItsReaderAndShowsWhatItStores)
    {
        const Four quadrants { kRed, kGreen, kBlue, kYellow };
        const QRgb kWhite = qRgb(255, 255, 255), kDark = qRgb(20, 20, 20);
        // The CIELab rows' colours worked out from their stored values: L*a*b* to XYZ against the
        // file's white (D50 when it names none), Bradford-adapted to D65, to sRGB.
        const struct {
            const char* name;
            QByteArray file;
            const char* reader;
            Four shown;
        } rows[] = {
            // A camera LibRaw knows by its maker (as DJI's, Parrot's), but a plain grey picture.
            { "FLIR thermal",
                WriteTiff(Quarters({ kDark, kDark, kDark, kDark }, 32), {}, 1,
                    { .kind = Kind::Grey, .bits = 16, .make = "FLIR Systems AB" }),
                "tiff", { kDark, kDark, kDark, kDark } },
            { "BigTIFF", WriteTiff(Quarters(quadrants), {}, 1, { .bigTiff = true }), "tiff",
                quadrants },
            { "16-bit RGB in planes",
                WriteTiff(Quarters(quadrants), {}, 1, { .bits = 16, .planar = true }), "tiff",
                quadrants },
            { "CIELab, white unnamed (D50)",
                WriteTiff(Quarters({ Lab(255, 0, 0), Lab(128, 0, 0), Lab(150, 20, -30),
                              Lab(200, 10, 40) }),
                    {}, 1, { .kind = Kind::CieLab }),
                "tiff", { kWhite, qRgb(119, 119, 119), qRgb(156, 130, 195), qRgb(229, 186, 119) } },
            { "CIELab, D65",
                WriteTiff(Quarters({ Lab(255, 0, 0), Lab(100, -25, 15), Lab(150, 20, -30),
                              Lab(200, 10, 40) }),
                    {}, 1, { .kind = Kind::CieLab, .whiteD65 = true }),
                "tiff", { kWhite, qRgb(54, 102, 67), qRgb(150, 132, 194), qRgb(235, 185, 120) } },
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
            for (int i = 0; i < 4; ++i) {
                const QRgb got = image.pixel(
                    (i % 2 * 2 + 1) * image.width() / 4, (i / 2 * 2 + 1) * image.height() / 4);
                const std::string where = std::string(row.name) + ", quarter " + std::to_string(i);
                EXPECT_NEAR(qRed(got), qRed(row.shown[i]), 3) << where;
                EXPECT_NEAR(qGreen(got), qGreen(row.shown[i]), 3) << where;
                EXPECT_NEAR(qBlue(got), qBlue(row.shown[i]), 3) << where;
            }
        }
    }

} // namespace
} // namespace gb::formats
