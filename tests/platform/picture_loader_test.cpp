// Real files through FilePictureLoader: what their first bytes make them, which reader decodes
// them, what it refuses.
#include "formats/decode_budget.h"
#include "platform/file_picture_loader.h"
#include "samplegen/image_writers.h"
#include "samplegen/metafile_writers.h"
#include "support/temp_folder.h"
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

namespace gb::platform {
namespace {

    using namespace gb::tools;

    using namespace gb::tools::quadrant;
    const PictureOptions kLarge { true, {} };
    const QImage::Format kAlpha = QImage::Format_ARGB32_Premultiplied;

    QImage Quadrants(int w, int h, QRgb topLeft = kRed)
    {
        return tools::Quadrants({ w, h }, topLeft);
    }

    class PictureLoaderTest : public ::testing::Test {
    protected:
        std::optional<LoadedPicture> Load(
            const QString& name, const QByteArray& bytes, PictureOptions options = {}) const
        {
            folder_.Write(name, bytes);
            return loader_.LoadPicture(folder_.File(name), options);
        }
        test::TempFolder folder_;
        FilePictureLoader loader_;
    };

    TEST_F(PictureLoaderTest, EveryKindDecodesPixelExact)
    {
        const QImage rich = Quadrants(37, 11), clear = Quadrants(32, 32, qRgba(0, 0, 0, 0));
        const QImage small = Quadrants(16, 16, kBlue), large = Quadrants(32, 32, kGreen);
        // The directory says 48 x 48 at 8 bits; the bitmap is 16 x 16 at 32 bits, which counts.
        QByteArray liar = WriteIco({ { small } });
        liar.replace(6, 1, "\x30").replace(12, 1, "\x08");
        const QByteArray icons = WriteIco({ { small }, { large, 8 }, { Quadrants(48, 48) } });
        // A PNG image whose directory gives 0x7777 bits.
        QByteArray pngLiar = WriteIco({ { large, 32, true } });
        pngLiar.replace(12, 2, "\x77\x77");
        const struct {
            const char* name;
            QByteArray bytes;
            QImage want;
            QImage::Format format = QImage::Format_RGB32;
            PictureOptions options = {};
        } cases[] = {
            { "packed.dib", WriteHeaderlessDib(rich), rich },
            { "packed8.dib", WriteHeaderlessDib(rich, 8), rich },
            // An alpha mask makes it a picture with alpha, even if every pixel is opaque.
            { "packed32.bmp", WriteHeaderlessDib(rich, 32), rich, kAlpha },
            // Without the large icon option the first image; with it the one nearest 32 x 32.
            { "first.ico", icons, small, kAlpha },
            { "large.ico", icons, large, kAlpha, kLarge },
            { "liar.ico", liar, small, kAlpha },
            { "png-liar.ico", pngLiar, large, kAlpha },
            { "large.cur", WriteCur({ { small }, { clear } }, QPoint(4, 4)), clear, kAlpha,
                kLarge },
        };
        for (const auto& c : cases) {
            const auto got = Load(c.name, c.bytes, c.options).value_or(LoadedPicture {});
            EXPECT_EQ(std::tuple(got.naturalSize, got.image.format(),
                          got.image.convertToFormat(QImage::Format_ARGB32)),
                std::tuple(c.want.size(), c.format, c.want.convertToFormat(QImage::Format_ARGB32)))
                << c.name;
        }
    }

    // A camera's file, turned by orientation 6, with a 160 x 120 thumbnail in its Exif block and
    // `after` that block: in print pictures, ICC profiles long past the first read.
    QByteArray CameraFile(const QByteArray& after = {})
    {
        const QByteArray main = WriteJpeg(Quadrants(1600, 1200), 80);
        const QByteArray thumbnail = WriteJpeg(Quadrants(160, 120), 90);
        return main.left(2) + WriteExifSegment({ 6, { 1600, 1200 }, thumbnail }) + after
            + main.mid(2);
    }

    // Orientation 6 is stored landscape and shown turned a quarter clockwise, the blue quadrant
    // on top. An eighth of 992 x 744 is just twice the 62 x 46 thumbnail, a quarter of 200 x 150
    // is not; bitmaps are never reduced. A camera's thumbnail stands in only when asked for and
    // for a box (which parts of it are trusted is the Exif reader's business).
    TEST_F(PictureLoaderTest, JpegIsTurnedUprightAndDecodedReducedForSmallBoxes)
    {
        const PictureOptions box { false, QSize(62, 62) }, embedded { false, QSize(62, 62), true };
        const QImage large = Quadrants(992, 744), small = Quadrants(200, 150);
        const QByteArray profiles
            = (QByteArray("\xff\xe2\xff\xff", 4) + QByteArray(0xfffd, 'p')).repeated(2);
        const std::tuple<QByteArray, PictureOptions, QSize, QSize> cases[] = {
            { WriteJpeg(Quadrants(40, 20), 95, 6), {}, { 20, 40 }, { 20, 40 } },
            { WriteJpeg(large, 80), box, { 992, 744 }, { 124, 93 } },
            { WriteJpeg(large, 80, 6), box, { 744, 992 }, { 93, 124 } },
            { WriteJpeg(small, 80), box, { 200, 150 }, { 200, 150 } },
            { WriteBmp(Quadrants(400, 300)), box, { 400, 300 }, { 400, 300 } },
            { CameraFile(), embedded, { 1200, 1600 }, { 120, 160 } },
            { CameraFile(profiles), embedded, { 1200, 1600 }, { 120, 160 } },
            { CameraFile(), box, { 1200, 1600 }, { 150, 200 } },
            { CameraFile(), { false, {}, true }, { 1200, 1600 }, { 1200, 1600 } },
        };
        for (const auto& [bytes, options, natural, size] : cases) {
            const auto loaded = Load("named.bmp", bytes, options);
            ASSERT_TRUE(loaded) << natural.width();
            EXPECT_EQ(
                std::pair(loaded->naturalSize, loaded->image.size()), std::pair(natural, size));
            const QRgb got = loaded->image.pixel(size.width() / 4, size.height() / 4);
            const QRgb want = natural.width() < natural.height() ? kBlue : kRed;
            EXPECT_LT(qAbs(qRed(got) - qRed(want)) + qAbs(qGreen(got) - qGreen(want))
                    + qAbs(qBlue(got) - qBlue(want)),
                90)
                << natural.width() << ": " << std::hex << got;
        }
    }

    // What could not be read is told from what is no picture: only the one may be tried again.
    TEST_F(PictureLoaderTest, OnlyPicturesInRegularFilesLoadAndFailuresSayWhy)
    {
        QByteArray hugeGif = WriteGif(Quadrants(4, 4));
        qToLittleEndian<quint16>(60000, hugeGif.data() + 6);
        qToLittleEndian<quint16>(60000, hugeGif.data() + 8);
        QByteArray farIcon = WriteIco({ { Quadrants(16, 16) } });
        qToLittleEndian<quint32>(9000, farIcon.data() + 18);
        folder_.Write("real.bmp", WriteBmp(Quadrants(6, 6)));
        ASSERT_TRUE(QFile::link(folder_.File("real.bmp"), folder_.File("link.bmp")));
        for (const auto& [name, bytes] : { std::pair("huge.gif", hugeGif),
                 std::pair("far.ico", farIcon), std::pair("text.jpg", QByteArray("words")) })
            folder_.Write(name, bytes);
        const std::pair<const char*, LoadFailure> cases[]
            = { { "huge.gif", LoadFailure::NotAPicture }, { "far.ico", LoadFailure::NotAPicture },
                  { "text.jpg", LoadFailure::NotAPicture },
                  { "missing.bmp", LoadFailure::Unreadable }, { "", LoadFailure::Unreadable },
                  { "link.bmp", LoadFailure::None } };
        for (const auto& [name, why] : cases)
            for (const PictureOptions& options : { PictureOptions {}, kLarge }) {
                LoadFailure failure = LoadFailure::Unreadable;
                const auto loaded = loader_.LoadPicture(folder_.File(name), options, &failure);
                EXPECT_EQ(loaded.has_value(), why == LoadFailure::None) << name;
                EXPECT_EQ(failure, why) << name;
            }
    }

    // PNG, WebP and TIFF, written by Qt's own encoders, HEIC and JPEG XL: decoded by content only
    // when every type is asked for; refused otherwise, as the asking's doing rather than the
    // file's.
    TEST_F(PictureLoaderTest, EveryTypeDecodesOnlyWhenAskedFor)
    {
        const QImage want = Quadrants(37, 11);
        PictureOptions every;
        every.everyType = true;
        for (const char* format : { "png", "webp", "tiff" }) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            QImageWriter writer(&buffer, format);
            writer.setQuality(100); // lossless WebP
            ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && writer.write(want)) << format;
            const auto got = Load("named.jpg", bytes, every).value_or(LoadedPicture {});
            EXPECT_EQ(got.naturalSize, want.size()) << format;
            EXPECT_EQ(got.image.convertToFormat(QImage::Format_ARGB32),
                want.convertToFormat(QImage::Format_ARGB32))
                << format;
            LoadFailure failure = LoadFailure::None;
            EXPECT_FALSE(loader_.LoadPicture(folder_.File("named.jpg"), {}, &failure)) << format;
            EXPECT_EQ(failure, LoadFailure::NotShown) << format;
        }
        // Real files of the types with decoders of their own, whatever they are named: each
        // upright, as its decoder turned it.
        const std::tuple<const char*, const char*, QSize> files[] = {
            { "heif/colors-rotated.heic", "photo.heic", { 72, 72 } },
            { "jxl/orientation6.jxl", "named.png", { 480, 160 } },
            { "raw/camera.nef", "named.tif", { 32, 47 } },
        };
        for (const auto& [path, name, natural] : files) {
            QFile file(QStringLiteral(GLIMMERBOX_SOURCE_DIR "/tests/data/") + path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
            const auto photo = Load(name, file.readAll(), every).value_or(LoadedPicture {});
            EXPECT_EQ(photo.naturalSize, natural) << path;
            LoadFailure failure = LoadFailure::None;
            EXPECT_FALSE(loader_.LoadPicture(folder_.File(name), {}, &failure)) << path;
            EXPECT_EQ(failure, LoadFailure::NotShown) << path;
        }
    }

    // Qt's PNG reader ignores the eXIf chunk; the picture is turned upright all the same.
    TEST_F(PictureLoaderTest, EveryTypePngIsTurnedAsItsExifBlockSays)
    {
        QByteArray png;
        QBuffer buffer(&png);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && Quadrants(6, 4).save(&buffer, "png"));
        const QByteArray chunk = "eXIf" + WriteExifSegment({ 6, {} }).mid(10); // after "Exif\0\0"
        QByteArray numbers(8, '\0');
        qToBigEndian(quint32(chunk.size() - 4), numbers.data());
        qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), chunk.size())),
            numbers.data() + 4);
        png = png.left(33) + numbers.left(4) + chunk + numbers.mid(4) + png.mid(33);
        PictureOptions every;
        every.everyType = true;
        const auto got = Load("turned.png", png, every).value_or(LoadedPicture {});
        EXPECT_EQ(got.naturalSize, QSize(4, 6));
        EXPECT_EQ(got.image.pixel(0, 0), kBlue);
        EXPECT_EQ(got.image.pixel(3, 0), kRed);
    }

    // Every kind of decode waits while others hold the memory all decodes share.
    TEST_F(PictureLoaderTest, DecodesWaitForMemoryOthersHold)
    {
        auto& budget = formats::DecodeBudget::Shared();
        const QImage card = Quadrants(16, 16);
        for (const auto& [name, bytes] : { std::pair("a.bmp", WriteBmp(card)),
                 std::pair("a.gif", WriteGif(card)), std::pair("a.wmf", WriteSampleWmf()),
                 std::pair("a.ico", WriteIco({ { card, 8 } })) }) {
            auto all = std::make_optional(budget.Reserve(budget.Total()));
            std::jthread load([&, n = QString(name), b = bytes] { EXPECT_TRUE(Load(n, b)); });
            ASSERT_TRUE(QTest::qWaitFor([&] { return budget.Waiting() == 1; })) << name;
            all.reset();
        }
    }

} // namespace
} // namespace gb::platform
