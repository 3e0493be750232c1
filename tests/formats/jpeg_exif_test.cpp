#include "formats/jpeg_exif.h"
#include "platform/qt_picture_loader.h"
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QDataStream>
#include <QtEndian>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::formats {
namespace {

    using gb::tools::WriteJpeg;
    using Colours = std::array<QRgb, 4>; // top left, top right, bottom left, bottom right

    const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 60), kBlue = qRgb(40, 60, 220),
               kYellow = qRgb(240, 220, 40), kGrey = qRgb(100, 100, 100);
    const Colours kAllGrey { kGrey, kGrey, kGrey, kGrey },
        kQuadrants { kRed, kGreen, kBlue, kYellow };
    const QSize kCamera(1600, 1200), kTile(62, 62);

    // The main pictures are grey and the thumbnails coloured, so each result tells its source.
    QByteArray Jpeg(QSize size, bool grey = false)
    {
        QImage img(2, 2, QImage::Format_RGB32);
        for (int i = 0; i < 4; ++i)
            img.setPixel(i % 2, i / 2, grey ? kGrey : kQuadrants[i]);
        return WriteJpeg(img.scaled(size), 90);
    }
    QByteArray CameraJpeg() { return Jpeg(kCamera, true); }
    QByteArray Thumbnail() { return Jpeg({ 160, 120 }); }

    // Where ExifSegment puts things inside its TIFF structure, for the tests that spoil them.
    constexpr int kFirstIfdPointer = 4, kIfd0 = 8, kExifPointer = 30, kIfd0Next = 34,
                  kThumbnailOffset = 78, kThumbnailLength = 90, kThumbnailAt = 98;
    constexpr int kTiffInFile = 2 + 4 + 6; // SOI, the APP1 marker and length, "Exif\0\0"

    struct ExifFields {
        int orientation = 1;
        QSize recorded; // invalid: the Exif IFD holds other tags
        QByteArray thumbnail = Thumbnail();
        bool bigEndian = false; // big-endian blocks record the pixel size as SHORT, others LONG
    };

    // APP1: TIFF header, IFD0 (orientation, Exif IFD pointer), Exif IFD, IFD1, thumbnail.
    QByteArray ExifSegment(const ExifFields& f)
    {
        QByteArray t(f.bigEndian ? "MM" : "II");
        QDataStream out(&t, QIODevice::Append);
        out.setByteOrder(f.bigEndian ? QDataStream::BigEndian : QDataStream::LittleEndian);
        const auto entry = [&](quint16 tag, quint16 type, quint32 value) {
            out << tag << type << quint32(1);
            type == 3 ? out << quint16(value) << quint16(0) : out << value;
        };
        out << quint16(42) << quint32(kIfd0) << quint16(2);
        entry(0x0112, 3, f.orientation), entry(0x8769, 4, 38);
        out << quint32(68) << quint16(2);
        const quint16 sizeType = f.bigEndian ? 3 : 4;
        if (f.recorded.isValid())
            entry(0xa002, sizeType, f.recorded.width()),
                entry(0xa003, sizeType, f.recorded.height());
        else
            entry(0xa001, 3, 1), entry(0x9209, 3, 0); // colour space, flash
        out << quint32(0) << quint16(2);
        entry(0x0201, 4, kThumbnailAt), entry(0x0202, 4, f.thumbnail.size());
        out << quint32(0);
        EXPECT_EQ(t.size(), kThumbnailAt);
        const QByteArray body = QByteArray("Exif\0\0", 6) + t + f.thumbnail;
        const quint16 length = qToBigEndian(quint16(body.size() + 2));
        return QByteArray("\xff\xe1", 2)
            + QByteArray::fromRawData(reinterpret_cast<const char*>(&length), 2) + body;
    }

    QByteArray CameraFile(
        const ExifFields& f, const QByteArray& main = CameraJpeg(), const QByteArray& after = {})
    {
        return main.left(2) + ExifSegment(f) + after + main.mid(2);
    }

    // APP2 segments of the largest size, as ICC profiles of print pictures fill them.
    QByteArray Filler(int segments)
    {
        return (QByteArray("\xff\xe2\xff\xff", 4) + QByteArray(0xfffd, 'p')).repeated(segments);
    }

    ByteSource Source(QByteArray bytes)
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
        return exif ? TrustedEmbeddedThumbnail(*exif, box) : std::nullopt;
    }

    void ExpectColours(const QImage& image, const Colours& want)
    {
        for (int i = 0; i < 4; ++i) { // a quarter in from each corner; the 2 x 2 reduction
            const QRgb got = image.scaled(2, 2, Qt::IgnoreAspectRatio).pixel(i % 2, i / 2);
            EXPECT_LE(qAbs(qRed(got) - qRed(want[i])) + qAbs(qGreen(got) - qGreen(want[i]))
                    + qAbs(qBlue(got) - qBlue(want[i])),
                90)
                << "quadrant " << i << ": " << std::hex << got;
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
        EXPECT_FALSE(std::get<0>(Found(frame(7))).isValid());
        EXPECT_FALSE(std::get<0>(Found(frame(8).left(10))).isValid()); // cut inside the width
        EXPECT_FALSE(std::get<0>(Found(frame(1))).isValid());
    }

    TEST(JpegExifTest, TrustsOnlyAThumbnailOfThisPictureLargeEnoughForTheBox)
    {
        const QByteArray& thumb = Thumbnail();
        const QByteArray garbage
            = thumb.left(2) + QByteArray(thumb.size() - 4, 'U') + thumb.right(2);
        const QByteArray wide = Jpeg({ 1500, 1000 }, true), large = Jpeg({ 2200, 1650 }, true);
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
        };
        for (const auto& c : refused)
            EXPECT_FALSE(Trusted(c.file, c.box)) << c.name;

        // 1600 x 1200 fits 62 x 62 as 62 x 47, so 160 x 120 is more than twice that.
        for (const bool big : { false, true }) {
            const auto picture = Trusted(CameraFile({ 1, kCamera, thumb, big }));
            ASSERT_TRUE(picture);
            EXPECT_EQ(picture->image.format(), QImage::Format_RGB32);
            EXPECT_TRUE(picture->embedded);
            ExpectColours(picture->image, kQuadrants);
        }
        // A 3:2 picture with a thumbnail of its own shape is taken.
        EXPECT_TRUE(Trusted(CameraFile({ 1, { 1500, 1000 }, Jpeg({ 150, 100 }) }, wide)));
    }

    TEST(JpegExifTest, EveryOrientationTurnsTheThumbnailUpright)
    {
        const Colours upright[] = {
            kQuadrants, // 1: as stored
            { kGreen, kRed, kYellow, kBlue }, // 2: mirrored
            { kYellow, kBlue, kGreen, kRed }, // 3: half a turn
            { kBlue, kYellow, kRed, kGreen }, // 4: upside down
            { kRed, kBlue, kGreen, kYellow }, // 5: transposed
            { kBlue, kRed, kYellow, kGreen }, // 6: a quarter clockwise
            { kYellow, kGreen, kBlue, kRed }, // 7: transversed
            { kGreen, kYellow, kRed, kBlue }, // 8: a quarter anticlockwise
        };
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const auto picture = Trusted(CameraFile({ orientation, kCamera }));
            ASSERT_TRUE(picture) << orientation;
            const bool turned = orientation >= 5;
            EXPECT_EQ(picture->naturalSize, turned ? kCamera.transposed() : kCamera);
            EXPECT_EQ(picture->image.size(), turned ? QSize(120, 160) : QSize(160, 120));
            ExpectColours(picture->image, upright[orientation - 1]);
        }
    }

    TEST(JpegExifTest, GivesUpOnEndlessFillBytesAndSegments)
    {
        // Fill bytes for ever, and segments for ever: both give up within the first 16 MiB.
        const ByteSource endless[] = {
            [](qint64 offset, qint64 length) {
                QByteArray out(length, '\xff');
                if (offset <= 1 && offset + length > 1)
                    out[1 - offset] = '\xd8';
                return out;
            },
            [](qint64 offset, qint64 length) {
                static const QByteArray file = QByteArray("\xff\xd8", 2) + Filler(260);
                return file.mid(offset, length);
            },
        };
        for (const auto& source : endless) {
            qint64 reached = 0, reads = 0;
            const auto exif = ReadJpegExif([&](qint64 offset, qint64 length) {
                reached = std::max(reached, offset + length);
                return ++reads, source(offset, length);
            });
            ASSERT_TRUE(exif);
            EXPECT_FALSE(exif->frameSize.isValid());
            EXPECT_TRUE(reached <= qint64(16) << 20 && reads <= 4096) << reached << " " << reads;
        }
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
        const struct {
            const char* name;
            QByteArray file;
            int orientation = 6;
            bool recorded = true;
            bool frame = true;
            bool thumbnail = false;
        } cases[] = {
            { "cut in the Exif block", good.left(kTiffInFile + 50), 6, false, false },
            { "thumbnail far away", patched(kThumbnailOffset, 0xfffffff0u) },
            { "thumbnail past the segment", patched(kThumbnailLength, Thumbnail().size() + 1) },
            { "IFD0 is its own successor", patched(kIfd0Next, kIfd0) },
            { "Exif IFD is IFD0", patched(kExifPointer, kIfd0), 6, false, true, true },
            { "Exif IFD far away", patched(kExifPointer, 0x7fffffff), 6, false, true, true },
            { "huge entry count", patched(kIfd0, 0xffff, 2), 1, false },
            { "IFD0 far away", patched(kFirstIfdPointer, 0xfffffff8u), 1, false },
            { "segment longer than the file", good.left(2) + "\xff\xe1\xff\xff" + good.mid(6, 200),
                6, true, false },
            { "no frame header", good.left(good.indexOf("\xff\xe0")) + "\xff\xd9", 6, true, false },
            { "segment shorter than its length field",
                good.left(2) + QByteArray("\xff\xe1\0\x01", 4) + good.mid(2), 1, false, false },
        };
        for (const auto& c : cases) {
            const auto exif = ReadJpegExif(Source(c.file));
            ASSERT_TRUE(exif) << c.name;
            EXPECT_EQ(std::tuple(exif->orientation, exif->recordedSize.isValid(),
                          exif->frameSize.isValid(), !exif->thumbnail.isEmpty()),
                std::tuple(c.orientation, c.recorded, c.frame, c.thumbnail))
                << c.name;
            EXPECT_FALSE(TrustedEmbeddedThumbnail(*exif, kTile)) << c.name;
        }
    }

    // Through the loader: the thumbnail stands in only when asked for and trusted.
    TEST(ExifPictureLoaderTest, UsesTheEmbeddedThumbnailOnlyWhenAskedAndTrusted)
    {
        const PictureOptions embedded { false, kTile, true }, decoded { false, kTile, false };
        const QByteArray camera = CameraFile({ 6, kCamera });
        const struct {
            QByteArray file;
            PictureOptions options;
            QSize image; // 120 x 160 (turned): the thumbnail
        } cases[] = {
            { camera, embedded, { 120, 160 } },
            { CameraFile({ 6, kCamera }, CameraJpeg(), Filler(2)), embedded, { 120, 160 } },
            { camera, decoded, { 150, 200 } }, { camera, { false, {}, true }, { 1200, 1600 } },
            { CameraFile({ 6, { 3200, 2400 } }), embedded, { 150, 200 } }, // edited since
        };
        test::TempFolder folder;
        for (const auto& [file, options, image] : cases) {
            folder.Write("camera.jpg", file);
            const auto loaded = platform::QtPictureLoader()
                                    .LoadPicture(folder.File("camera.jpg"), options)
                                    .value_or(LoadedPicture {});
            EXPECT_EQ(std::tuple(loaded.naturalSize, loaded.image.size(), loaded.image.format()),
                std::tuple(QSize(1200, 1600), image, QImage::Format_RGB32));
            ExpectColours(loaded.image,
                image.width() == 120 ? Colours { kBlue, kRed, kYellow, kGreen } : kAllGrey);
        }
    }

} // namespace
} // namespace gb::formats
