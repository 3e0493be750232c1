// Camera RAW files (tests/data/raw: cameras' own, and ones samplegen writes) through LibRaw.
#include "formats/picture_decoder.h"
#include "formats/raw_decoder.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;
    using gb::tools::Quadrants;
    const QSize kTile(16, 16);

    QByteArray Read(const QString& name)
    {
        QFile file(QStringLiteral(GLIMMERBOX_SOURCE_DIR "/tests/data/raw/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A file on a share: counts what is read, or fails every read.
    class ShareSource : public MemoryByteSource {
    public:
        explicit ShareSource(QByteArray bytes, bool failing = false)
            : MemoryByteSource(std::move(bytes))
            , failing_(failing)
        {
        }
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            const qint64 before = into.size();
            const bool read = !failing_ && MemoryByteSource::Read(offset, length, into);
            bytesRead += into.size() - before;
            return read;
        }
        qint64 bytesRead = 0;

    private:
        const bool failing_;
    };

    void ExpectNear(QRgb got, QRgb want, const std::string& where)
    {
        EXPECT_NEAR(qRed(got), qRed(want), 40) << where;
        EXPECT_NEAR(qGreen(got), qGreen(want), 40) << where;
        EXPECT_NEAR(qBlue(got), qBlue(want), 40) << where;
    }

    TEST(RawDecoderTest, ShowsThePreviewOrTheSensorDataUpright)
    {
        // The generated files' previews are quadrants, red, green / blue, yellow, as stored; the
        // sensor behind the DNG's is bright in its top left quarter and dark elsewhere.
        const QRgb kWhite = qRgb(255, 255, 255), kGrey = qRgb(74, 74, 74);
        const QRgb kNight = qRgb(25, 25, 30), kBlack = qRgb(0, 0, 0);
        const struct {
            const char* name;
            QSize box, natural, decoded;
            bool embedded;
            QRgb topLeft, topRight, bottomRight;
        } cases[] = {
            // Orientation 6: a quarter turn clockwise. Preview for a tile and at full size;
            // developed for a box its 32 x 48 preview cannot fill.
            { "camera.dng", kTile, { 64, 96 }, { 32, 48 }, true, kBlue, kRed, kGreen },
            { "camera.dng", {}, { 64, 96 }, { 32, 48 }, true, kBlue, kRed, kGreen },
            { "camera.dng", { 40, 40 }, { 64, 96 }, { 32, 48 }, false, kGrey, kWhite, kGrey },
            // Whole, a 48 x 32 preview gives way to the 96 x 64 developing gives; a sensor with
            // one tile of the 24 it needs named is never developed.
            { "camera-large-sensor.dng", {}, { 192, 128 }, { 96, 64 }, false, kWhite, kGrey,
                kGrey },
            { "camera-stripped.dng", { 40, 40 }, { 96, 64 }, { 48, 32 }, true, kRed, kGreen,
                kYellow },
            { "camera.nef", kTile, { 32, 47 }, { 32, 48 }, true, kGreen, kYellow, kBlue },
            // Sony's A100 crops its sensor to 44 x 28; the preview is cut to that shape.
            { "camera.arw", kTile, { 44, 28 }, { 48, 30 }, true, kYellow, kBlue, kRed },
            { "camera.cr2", kTile, { 48, 32 }, { 48, 32 }, true, kRed, kGreen, kYellow },
            { "camera.orf", kTile, { 48, 32 }, { 48, 32 }, true, kGreen, kRed, kBlue },
            { "camera.cr3", kTile, { 32, 48 }, { 32, 48 }, true, kBlue, kRed, kGreen },
            // A Fujifilm S5Pro's 160 x 120 preview, its black bands cut off, reduced by 4: a
            // building at dusk.
            { "FujiFilm.raf", kTile, { 3030, 2036 }, { 40, 26 }, true, kNight, kNight, kNight },
            { "FujiFilm.raf", {}, { 3030, 2036 }, { 160, 107 }, true, kNight, kNight, kNight },
            // An 8 x 8 white preview is too small for a tile, but the sensor data was cut out.
            { "Panasonic.rw2", kTile, { 3664, 2754 }, { 8, 6 }, true, kWhite, kWhite, kWhite },
            // An iPhone's DNG without its preview, developed and held upright, scaled for the tile.
            { "IMG_1361.dng", kTile, { 3024, 4032 }, { 24, 32 }, false, kBlack, kBlack, kBlack },
        };
        for (const auto& c : cases) {
            const std::string row = std::string(c.name) + " for " + std::to_string(c.box.width());
            ShareSource source(Read(c.name));
            EXPECT_TRUE(IsCameraRaw(source)) << row;
            bool readFailed = true;
            const auto picture = DecodeRaw(source, { false, c.box, true, true }, readFailed);
            EXPECT_FALSE(readFailed) << row;
            ASSERT_TRUE(picture) << row;
            const QImage& image = picture->image;
            EXPECT_EQ(picture->naturalSize, c.natural) << row;
            EXPECT_EQ(image.size(), c.decoded) << row;
            EXPECT_EQ(image.format(), QImage::Format_RGB32) << row;
            EXPECT_EQ(picture->embedded, c.embedded) << row;
            const int right = image.width() - 2, bottom = image.height() - 2;
            ExpectNear(image.pixel(1, 1), c.topLeft, row + " top left");
            ExpectNear(image.pixel(right, 1), c.topRight, row + " top right");
            ExpectNear(image.pixel(right, bottom), c.bottomRight, row + " bottom right");
        }
    }

    TEST(RawDecoderTest, ReadsOnlyTheHeadersAndThePreviewForATile)
    {
        // A 2 MB sensor behind a 2 KB preview.
        const QByteArray dng = tools::WriteCameraRaw(
            { tools::RawKind::Dng, Quadrants({ 48, 32 }), { 1024, 1024 }, 6 });
        ShareSource source(dng);
        bool readFailed = true;
        ASSERT_TRUE(DecodeRaw(source, { false, kTile, true, true }, readFailed));
        EXPECT_LE(source.bytesRead, 64 * 1024);
        EXPECT_GT(dng.size(), 2'000'000);
    }

    TEST(RawDecoderTest, KnowsCamerasFilesFromOtherPictures)
    {
        // A Nikon D70's NEF and a Canon EOS M50's CR3, both with their preview and sensor data
        // cut out: cameras' files, but nothing to show.
        for (const char* name : { "Nikon.nef", "CanonRaw.cr3" }) {
            ShareSource source(Read(name));
            EXPECT_TRUE(IsCameraRaw(source)) << name;
            bool readFailed = true;
            EXPECT_FALSE(DecodeRaw(source, { false, kTile, true, true }, readFailed)) << name;
            EXPECT_FALSE(readFailed) << name;
        }
        for (const char* format : { "tiff", "jpeg" }) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, format).write(Quadrants({ 48, 32 }));
            ShareSource plain(buffer.data());
            EXPECT_FALSE(IsCameraRaw(plain)) << format;
        }
    }

    TEST(RawDecoderTest, RefusesCutFilesAndReportsFailedReads)
    {
        for (const char* name : { "camera.dng", "FujiFilm.raf", "Panasonic.rw2", "camera.orf" }) {
            ShareSource cut(Read(name).left(64));
            bool readFailed = true;
            EXPECT_FALSE(DecodeRaw(cut, { false, kTile, true, true }, readFailed)) << name;
            EXPECT_FALSE(readFailed) << name;
            ShareSource failing(Read(name), true);
            EXPECT_FALSE(DecodeRaw(failing, { false, kTile, true, true }, readFailed)) << name;
            EXPECT_TRUE(readFailed) << name;
        }
    }

    // A thumbnail stored in layers, longer than its size says (found by fuzzing): LibRaw 0.20 would
    // read it past the end of its own buffer, so it is not asked for. The sanitizer and valgrind
    // runs of the suite watch the reads.
    TEST(RawDecoderTest, SkipsAThumbnailLibRawWouldReadPastItsBuffer)
    {
        ShareSource source(Read("layer-thumbnail-past-buffer.raw"));
        bool readFailed = true;
        EXPECT_FALSE(DecodeRaw(source, { false, kTile, true, true }, readFailed));
        EXPECT_FALSE(readFailed);
    }

    // The process's address space held to what it maps now and `headroom` more while it lives:
    // a real allocation past that fails, as on a machine short of memory.
    class AddressSpaceLimit {
    public:
        explicit AddressSpaceLimit(rlim_t headroom)
        {
            rlim_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            getrlimit(RLIMIT_AS, &before_);
            const rlimit limited { pages * rlim_t(sysconf(_SC_PAGESIZE)) + headroom,
                before_.rlim_max };
            setrlimit(RLIMIT_AS, &limited);
        }
        ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &before_); }

    private:
        rlimit before_ {};
    };

    // Memory running out while LibRaw develops a picture says nothing of the file: its own
    // failure, not "not a picture", and the same bytes decode once memory is back.
    TEST(RawDecoderTest, MemoryRunningOutIsNoVerdictOnTheFile)
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "AddressSanitizer's shadow memory is counted against any limit";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) // clang's way of saying it
        GTEST_SKIP() << "AddressSanitizer's shadow memory is counted against any limit";
#endif
#endif
        // 24 MB of sensor data behind a preview too small for the tile.
        MemoryByteSource source(
            tools::WriteCameraRaw({ tools::RawKind::Dng, Quadrants({ 8, 8 }), { 4000, 3000 }, 1 }));
        const PictureOptions options { false, kTile, false, true };
        // In a process started afresh: memory earlier tests freed would still be there to take.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_EXIT(
            {
                LoadFailure failure = LoadFailure::None;
                {
                    const AddressSpaceLimit limit(rlim_t(16) << 20);
                    DecodePicture(source, options, failure);
                }
                std::_Exit(int(failure));
            },
            testing::ExitedWithCode(int(LoadFailure::OutOfMemory)), "");
        LoadFailure failure = LoadFailure::OutOfMemory;
        EXPECT_TRUE(DecodePicture(source, options, failure));
        EXPECT_EQ(failure, LoadFailure::None);
    }

} // namespace
} // namespace gb::formats
