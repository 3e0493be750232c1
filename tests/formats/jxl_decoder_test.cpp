// Real JPEG XL files (tests/data/jxl: from KDE's image format plugins, and made with cjxl) decoded
// through libjxl.
#include "formats/jxl_decoder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    QByteArray Read(const QString& name)
    {
        QFile file(QStringLiteral(GLIMMERBOX_SOURCE_DIR "/tests/data/jxl/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    LoadedPicture Decoded(const QString& name)
    {
        return DecodeJxl(Read(name), {}).value_or(LoadedPicture {});
    }

    TEST(JxlDecoderTest, TurnsThePictureUprightAsTheFileSays)
    {
        // Two icons and their names, stored as they stand and turned a quarter (orientation 6);
        // pixel for pixel as KDE's reference PNG of them.
        const LoadedPicture plain = Decoded("orientation1.jxl");
        const LoadedPicture turned = Decoded("orientation6.jxl");
        EXPECT_EQ(plain.naturalSize, QSize(480, 160));
        EXPECT_EQ(turned.naturalSize, QSize(480, 160));
        EXPECT_EQ(plain.image.format(), QImage::Format_RGB32);
        EXPECT_EQ(turned.image, plain.image);
        EXPECT_EQ(plain.image.pixel(5, 5), qRgb(252, 252, 252));
        EXPECT_EQ(plain.image.pixel(350, 40), qRgb(217, 102, 163)); // the pink eye, at the right
    }

    TEST(JxlDecoderTest, ShowsAWideGamutInSrgbAndKeepsTransparency)
    {
        // (200, 60, 60) meant in Display P3, kept losslessly with its ICC profile or coded lossy
        // in libjxl's own space: a deeper red in sRGB, as for the JPEG and the AVIF.
        for (const char* name : { "brick-p3-lossless.jxl", "brick-p3-lossy.jxl" }) {
            const QRgb shown = Decoded(name).image.pixel(4, 4);
            EXPECT_NEAR(qRed(shown), 217, 2) << name;
            EXPECT_NEAR(qGreen(shown), 42, 2) << name;
            EXPECT_NEAR(qBlue(shown), 52, 2) << name;
        }
        EXPECT_EQ(Decoded("brick-srgb-lossless.jxl").image.pixel(4, 4), qRgb(200, 60, 60));
        // A 1024 x 1024 gradient whose alpha runs from none at the top left to full.
        const QImage rgba = Decoded("rgba.jxl").image;
        EXPECT_EQ(rgba.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(rgba.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(rgba.pixel(100, 900), qRgba(255, 25, 133, 255));
    }

    TEST(JxlDecoderTest, RecognisesBothLayoutsAndRefusesWhatIsNoPicture)
    {
        // exiftool's samples: a codestream and a container holding no picture, only metadata.
        const QByteArray codestream = Read("JXL.jxl"), container = Read("JXL2.jxl");
        EXPECT_TRUE(IsJxl(codestream));
        EXPECT_TRUE(IsJxl(container));
        EXPECT_FALSE(DecodeJxl(codestream, {}));
        EXPECT_FALSE(DecodeJxl(container, {}));
        // A codestream claiming about 2^30 pixels a side, found by fuzzing.
        EXPECT_FALSE(DecodeJxl(
            QByteArray::fromBase64("/wr+////////////////////////////////JkADQfz/CiZAA0EBAfw="),
            {}));
        const QByteArray whole = Read("orientation1.jxl");
        EXPECT_FALSE(DecodeJxl(whole.left(whole.size() / 2), {}));
        EXPECT_FALSE(IsJxl(QByteArray("\xff\xd8\xff\xe0", 4)));
        EXPECT_FALSE(IsJxl(container.left(11)));
    }

} // namespace
} // namespace gb::formats
