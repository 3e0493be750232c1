#include "formats/jpeg_exif.h"
#include "samplegen/image_writers.h"

#include <QtEndian>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::formats {
namespace {

    using gb::tools::WriteJpeg;
    using Colours = std::array<QRgb, 4>; // top left, top right, bottom left, bottom right

    using namespace gb::tools::quadrant;
    const Colours kQuadrants { kRed, kGreen, kBlue, kYellow };
    const QSize kCamera(1600, 1200), kTile(62, 62);

    // Quadrants, or grey all over: another picture of the same shape.
    QByteArray Jpeg(QSize size, bool grey = false)
    {
        return WriteJpeg(
            grey ? tools::Solid(size, qRgb(100, 100, 100)) : tools::Quadrants(size), 90);
    }
    QByteArray CameraJpeg() { return Jpeg(kCamera); }
    QByteArray Thumbnail() { return Jpeg({ 160, 120 }); }

    // Where the Exif writer puts things inside its TIFF structure, for the tests that spoil them.
    constexpr int kFirstIfdPointer = 4, kIfd0 = 8, kExifPointer = 30, kIfd0Next = 34,
                  kThumbnailOffset = 78, kThumbnailLength = 90;
    constexpr int kTiffInFile = 2 + 4 + 6; // SOI, the APP1 marker and length, "Exif\0\0"

    // An Exif block whose thumbnail, unless told, is Thumbnail(); in a file, right after SOI.
    QByteArray ExifSegment(tools::CameraExif f)
    {
        f.thumbnail = f.thumbnail.isNull() ? Thumbnail() : f.thumbnail;
        return tools::WriteExifSegment(f);
    }
    QByteArray CameraFile(const tools::CameraExif& f, const QByteArray& main = CameraJpeg(),
        const QByteArray& after = {})
    {
        return main.left(2) + ExifSegment(f) + after + main.mid(2);
    }

    ReadBytes Source(QByteArray bytes)
    {
        return [=](qint64 at, qint64 n) { return bytes.mid(at, n); };
    }

    std::tuple<QSize, int, QSize, QByteArray> Found(const QByteArray& file)
    {
        const auto e = ReadJpegExif(Source(file));
        return e ? std::tuple(e->frameSize, e->orientation, e->recordedSize, e->thumbnail)
                 : std::tuple(QSize(), 0, QSize(), QByteArray());
    }

    std::optional<LoadedPicture> Trusted(const QByteArray& file, QSize box = kTile)
    {
        const auto exif = ReadJpegExif(Source(file));
        return exif ? TrustedEmbeddedThumbnail(*exif, box, Source(file), file.size())
                    : std::nullopt;
    }

    void ExpectColours(const QImage& image, const Colours& want)
    {
        const QImage quarters = image.scaled(2, 2); // each the mean of one quarter
        for (int i = 0; i < 4; ++i) {
            const QColor got = quarters.pixelColor(i % 2, i / 2), w = QColor(want[i]);
            EXPECT_LE(qAbs(got.red() - w.red()) + qAbs(got.green() - w.green())
                    + qAbs(got.blue() - w.blue()),
                90)
                << "quadrant " << i << ": " << std::hex << got.rgb();
        }
    }

    TEST(JpegExifTest, ReadsFrameOrientationRecordedSizeAndThumbnailInBothByteOrders)
    {
        for (const bool big : { false, true }) {
            SCOPED_TRACE(big ? "MM" : "II");
            // A non-Exif APP1 (XMP) first, and a second Exif block after ours that must not count.
            const QByteArray later = ExifSegment({ 3, { 10, 10 }, Thumbnail(), big });
            QByteArray file = CameraFile({ 6, kCamera, Thumbnail(), big }, CameraJpeg(), later);
            file.insert(2, QByteArray("\xff\xe1\0\x0ehttp://ns\0\0\0", 16));
            EXPECT_EQ(Found(file), std::tuple(kCamera, 6, kCamera, Thumbnail()));
        }
        EXPECT_EQ(Found(CameraJpeg()), std::tuple(kCamera, 1, QSize(), QByteArray()));
        for (const QByteArray& other :
            { QByteArray(), QByteArray("\xff"), QByteArray("BM6\0\0\0") })
            EXPECT_FALSE(ReadJpegExif(Source(other)));
    }

    TEST(JpegExifTest, FrameHeaderMustHoldItsSizeAndBeThereWhole)
    {
        // SOI, then SOF0 with the length given, precision 8, height 2, width 256, one component.
        const auto frame = [](int length) {
            return QByteArray("\xff\xd8\xff\xc0\0", 5) + char(length)
                + QByteArray("\x08\0\x02\x01\0\x01", 6);
        };
        EXPECT_EQ(std::get<0>(Found(frame(8))), QSize(256, 2));
        EXPECT_EQ(std::get<0>(Found(frame(8).left(11))), QSize(256, 2)); // ends on the width
        // TEM, RST0 and RST7 stand alone, with no length.
        EXPECT_EQ(
            std::get<0>(Found(frame(8).insert(2, "\xff\x01\xff\xd0\xff\xd7"))), QSize(256, 2));
        EXPECT_FALSE(std::get<0>(Found(frame(7))).isValid());
        EXPECT_FALSE(std::get<0>(Found(frame(8).left(10))).isValid()); // cut inside the width
        EXPECT_FALSE(std::get<0>(Found(frame(1))).isValid());
    }

    TEST(JpegExifTest, TrustsOnlyAThumbnailOfThisPictureLargeEnoughForTheBox)
    {
        const QByteArray& thumb = Thumbnail();
        const QByteArray garbage
            = thumb.left(2) + QByteArray(thumb.size() - 4, 'U') + thumb.right(2);
        const QByteArray wide = Jpeg({ 1500, 1000 }), large = Jpeg({ 2200, 1650 });
        // The top left quarter of the picture: red all over.
        const QByteArray crop = WriteJpeg(tools::Quadrants(kCamera).copy(0, 0, 800, 600), 90);
        const struct {
            const char* name;
            QByteArray file;
            QSize box = kTile;
        } refused[] = {
            { "edited since", CameraFile({ 1, { 3200, 2400 } }) },
            { "no recorded size", CameraFile({ 1, {} }) },
            { "letterboxed", CameraFile({ 1, { 1500, 1000 } }, wide) },
            { "too small", CameraFile({ 1, kCamera, Jpeg({ 100, 75 }) }) },
            { "too small turned", CameraFile({ 6, kCamera, Thumbnail() }), { 62, 200 } },
            { "box too large", CameraFile({ 1, kCamera }), { 100, 100 } },
            { "garbage", CameraFile({ 1, kCamera, garbage }) },
            { "cut short", CameraFile({ 1, kCamera, thumb.left(thumb.size() / 2) }) },
            { "not a thumbnail", CameraFile({ 1, { 2200, 1650 }, Jpeg({ 1100, 825 }) }, large) },
            { "another picture", CameraFile({ 1, kCamera }, Jpeg(kCamera, true)) },
            { "a crop", CameraFile({ 1, kCamera, crop }) },
        };
        for (const auto& c : refused)
            EXPECT_FALSE(Trusted(c.file, c.box)) << c.name;

        // A 3:2 picture with a thumbnail of its own shape is taken.
        EXPECT_TRUE(Trusted(CameraFile({ 1, { 1500, 1000 }, Jpeg({ 150, 100 }) }, wide)));
        // 1600 x 1200 fits 62 x 62 as 62 x 47, so 160 x 120 is more than twice that. Every
        // orientation turns the thumbnail upright: as stored, mirrored, half a turn, upside
        // down, transposed, a quarter clockwise, transversed, a quarter anticlockwise.
        const Colours upright[] = { kQuadrants, { kGreen, kRed, kYellow, kBlue },
            { kYellow, kBlue, kGreen, kRed }, { kBlue, kYellow, kRed, kGreen },
            { kRed, kBlue, kGreen, kYellow }, { kBlue, kRed, kYellow, kGreen },
            { kYellow, kGreen, kBlue, kRed }, { kGreen, kYellow, kRed, kBlue } };
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const auto picture
                = Trusted(CameraFile({ orientation, kCamera, thumb, orientation > 4 }));
            ASSERT_TRUE(picture) << orientation;
            const bool turned = orientation >= 5;
            EXPECT_EQ(std::tuple(picture->naturalSize, picture->image.size(),
                          picture->image.format(), picture->embedded),
                std::tuple(turned ? kCamera.transposed() : kCamera,
                    turned ? QSize(120, 160) : QSize(160, 120), QImage::Format_RGB32, true));
            ExpectColours(picture->image, upright[orientation - 1]);
        }
    }

    TEST(JpegExifTest, GivesUpOnEndlessFillBytesWithinTheFirst16MiB)
    {
        qint64 reached = 0, reads = 0;
        const auto exif = ReadJpegExif([&](qint64 offset, qint64 length) {
            reached = std::max(reached, offset + length), ++reads;
            QByteArray out(length, '\xff');
            if (offset <= 1 && offset + length > 1)
                out[1 - offset] = '\xd8';
            return out;
        });
        ASSERT_TRUE(exif);
        EXPECT_FALSE(exif->frameSize.isValid());
        EXPECT_TRUE(reached <= qint64(16) << 20 && reads <= 4096) << reached << " " << reads;
    }

    TEST(JpegExifTest, HostileExifBlocksFailCleanly)
    {
        const QByteArray good = CameraFile({ 6, kCamera });
        const auto patched = [&](int at, quint32 value, int bytes = 4) {
            QByteArray file = good; // little-endian
            char* p = file.data() + kTiffInFile + at;
            bytes == 2 ? qToLittleEndian<quint16>(value, p) : qToLittleEndian<quint32>(value, p);
            return file;
        };
        // What is still found: the orientation, then r(ecorded size), f(rame) and t(humbnail).
        const std::pair<QByteArray, const char*> cases[] = {
            { good.left(kTiffInFile + 50), "6---" }, // cut in the Exif block
            { patched(kThumbnailOffset, 0xfffffff0u), "6rf-" }, // thumbnail far away
            { patched(kThumbnailLength, Thumbnail().size() + 1), "6rf-" }, // past the segment
            { patched(kIfd0Next, kIfd0), "6rf-" }, // IFD0 is its own successor
            { patched(kExifPointer, kIfd0), "6-ft" }, // the Exif IFD is IFD0
            { patched(kExifPointer, 0x7fffffff), "6-ft" }, // the Exif IFD far away
            { patched(kIfd0, 0xffff, 2), "1-f-" }, // a huge entry count
            { patched(kFirstIfdPointer, 0xfffffff8u), "1-f-" }, // IFD0 far away
            { good.left(2) + "\xff\xe1\xff\xff" + good.mid(6, 200),
                "6r--" }, // longer than the file
            { good.left(good.indexOf("\xff\xe0")) + "\xff\xd9", "6r--" }, // no frame header
            { good.left(2) + QByteArray("\xff\xe1\0\x01", 4) + good.mid(2), "1---" }, // length 1
        };
        for (const auto& [file, found] : cases) {
            const auto exif = ReadJpegExif(Source(file));
            ASSERT_TRUE(exif) << found;
            EXPECT_EQ(QByteArray::number(exif->orientation) + "-r"[exif->recordedSize.isValid()]
                    + "-f"[exif->frameSize.isValid()] + "t-"[exif->thumbnail.isEmpty()],
                found);
            EXPECT_FALSE(TrustedEmbeddedThumbnail(*exif, kTile, Source(file), file.size()))
                << found;
        }
    }

} // namespace
} // namespace gb::formats
