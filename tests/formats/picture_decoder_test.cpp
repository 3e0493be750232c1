// The one decode entry over a byte source: files larger than the whole-read limit stream through
// Qt's reader, and a read that fails on the way makes the file unreadable, never a picture made
// of what was read before it; no byte is fetched twice.
#include "formats/byte_source.h"
#include "formats/picture_decoder.h"
#include "samplegen/heif_writers.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <QColorSpace>
#include <cmath>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools::quadrant;

    // A file's bytes followed by zeros up to `size`, as a camera card's junk after a picture;
    // every read after the first `goodReads` fails, as on a share that went away.
    class PaddedSource : public ByteSource {
    public:
        PaddedSource(QByteArray bytes, qint64 size, int goodReads)
            : bytes_(std::move(bytes))
            , size_(size)
            , goodReads_(goodReads)
        {
        }
        qint64 Size() const override { return size_; }
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            if (goodReads_-- <= 0)
                return false;
            const qint64 end = std::min(offset + length, size_);
            for (qint64 at = offset; at < end; ++at)
                into.append(at < bytes_.size() ? bytes_[at] : '\0');
            return true;
        }

    private:
        QByteArray bytes_;
        qint64 size_;
        int goodReads_;
    };

    // A file on a share, counting the bytes fetched and those fetched again.
    class CountingSource : public MemoryByteSource {
    public:
        using MemoryByteSource::MemoryByteSource;
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            const qsizetype before = into.size();
            const bool read = MemoryByteSource::Read(offset, length, into);
            for (qint64 at = offset; at < offset + into.size() - before; ++at)
                ++(times_[at]++ == 0 ? fetched : fetchedAgain);
            return read;
        }
        qint64 fetched = 0, fetchedAgain = 0;

    private:
        std::vector<int> times_ = std::vector<int>(size_t(Size()));
    };

    TEST(KeptByteSourceTest, AReadFetchesOnlyWhatNoEarlierReadHeld)
    {
        // Bytes that tell their offsets apart: a grainy picture's.
        const QByteArray bytes = tools::WriteJpeg(tools::Grainy({ 64, 64 }, kRed), 90).left(1000);
        CountingSource file(bytes);
        KeptByteSource kept(file);
        QByteArray first, spanning;
        ASSERT_TRUE(kept.Read(100, 100, first));
        ASSERT_TRUE(kept.Read(50, 2000, spanning)); // around it, and on past the end
        EXPECT_EQ(spanning, bytes.mid(50));
        EXPECT_EQ(file.fetched, 950);
        EXPECT_EQ(file.fetchedAgain, 0);
    }

    // A 12-megapixel camera JPEG whose Exif thumbnail is trusted fetches its head and the top rows
    // the check decodes; one whose thumbnail shows another picture all of it; a RAW file its
    // headers and preview (the file but its sensor data, a fifth to spare). No byte twice. Asked
    // for the date too, the trusted JPEG fetches no more: the date is in the head read anyway.
    TEST(PictureDecoder, ATileFetchesEachByteOnceAndOnlyWhatItNeeds)
    {
        const QSize size(4000, 3000), sensor(1024, 768);
        const QByteArray picture = tools::WriteJpeg(tools::Grainy(size, qRgb(150, 110, 60)), 90);
        const auto camera = [&](QRgb shown) {
            const QByteArray thumbnail = tools::WriteJpeg(tools::Grainy({ 160, 120 }, shown), 80);
            return picture.left(2)
                + tools::WriteExifSegment({ .orientation = 1,
                    .recorded = size,
                    .thumbnail = thumbnail,
                    .taken = "2021:06:15 14:30:05",
                    .takenOffset = "+02:00" })
                + picture.mid(2);
        };
        const QByteArray other = camera(qRgb(50, 90, 160)),
                         dng = tools::WriteCameraRaw({ tools::RawKind::Dng,
                             tools::Grainy({ 640, 480 }, kGreen), sensor, 1 });
        const struct {
            const char* name;
            QByteArray file;
            bool embedded;
            qint64 mostFetched;
            bool dated = false;
        } rows[] = {
            { "JPEG, thumbnail trusted", camera(qRgb(150, 110, 60)), true, 160'000 },
            { "JPEG, thumbnail trusted, date asked", camera(qRgb(150, 110, 60)), true, 160'000,
                true },
            { "JPEG, thumbnail of another picture", other, false, other.size() },
            { "camera RAW", dng, true,
                (dng.size() - 2 * sensor.width() * sensor.height()) * 6 / 5 },
        };
        qint64 fetchedBefore = 0; // by the row before, the same file undated
        for (const auto& row : rows) {
            CountingSource source(row.file);
            LoadFailure failure = LoadFailure::NotShown;
            const auto tile
                = DecodePicture(source, { false, { 62, 62 }, true, true, row.dated }, failure);
            ASSERT_TRUE(tile) << row.name;
            EXPECT_EQ(
                tile->takenMs, row.dated ? std::optional<qint64>(1623760205000) : std::nullopt)
                << row.name;
            EXPECT_EQ(tile->embedded, row.embedded) << row.name;
            EXPECT_LE(source.fetched, row.mostFetched) << row.name;
            EXPECT_EQ(source.fetchedAgain, 0) << row.name;
            if (row.dated) {
                EXPECT_EQ(source.fetched, fetchedBefore) << row.name;
            }
            fetchedBefore = source.fetched;
        }
    }

    TEST(PictureDecoder, LargeFilesStreamAndFailedReadsAreUnreadable)
    {
        const QByteArray gif = tools::WriteByName("q.gif", tools::Quadrants({ 40, 30 }));
        constexpr qint64 kWhole = 100 << 10, kStreamed = qint64(70) << 20;
        constexpr int kAll = 1 << 30;
        const struct {
            const char* name;
            qint64 size;
            int goodReads;
            LoadFailure failure;
        } rows[] = {
            { "read whole", kWhole, kAll, LoadFailure::None },
            { "streamed", kStreamed, kAll, LoadFailure::None },
            { "read whole, share gone after the head", kWhole, 1, LoadFailure::Unreadable },
            { "streamed, share gone after the head", kStreamed, 1, LoadFailure::Unreadable },
        };
        for (const auto& row : rows) {
            PaddedSource source(gif, row.size, row.goodReads);
            LoadFailure failure = LoadFailure::NotShown;
            const auto picture = DecodePicture(source, {}, failure);
            EXPECT_EQ(failure, row.failure) << row.name;
            ASSERT_EQ(picture.has_value(), row.failure == LoadFailure::None) << row.name;
            if (!picture)
                continue;
            EXPECT_EQ(picture->naturalSize, QSize(40, 30)) << row.name;
            EXPECT_EQ(picture->image.pixel(0, 0), kRed) << row.name;
            EXPECT_EQ(picture->image.pixel(39, 29), kYellow) << row.name;
        }
    }

    // A camera's Exif thumbnail stands in for the picture in a tile when that is allowed, read
    // from the head of the file; the picture's own size is still the one reported.
    TEST(PictureDecoder, ACameraThumbnailStandsInOnlyWhenAllowed)
    {
        const QByteArray picture = tools::WriteJpeg(tools::Quadrants({ 1600, 1200 }), 90);
        tools::CameraExif exif;
        exif.recorded = QSize(1600, 1200);
        exif.thumbnail = tools::WriteJpeg(tools::Quadrants({ 160, 120 }), 90);
        const QByteArray file = picture.left(2) + tools::WriteExifSegment(exif) + picture.mid(2);
        for (const bool allowed : { true, false }) {
            MemoryByteSource source(file);
            LoadFailure failure = LoadFailure::NotShown;
            const auto loaded = DecodePicture(source, { false, { 62, 62 }, allowed }, failure);
            ASSERT_TRUE(loaded) << allowed;
            EXPECT_EQ(loaded->embedded, allowed);
            EXPECT_EQ(loaded->naturalSize, QSize(1600, 1200)) << allowed;
            EXPECT_EQ(failure, LoadFailure::None) << allowed;
        }
    }

    // How sRGB encodes `light` (0..1), in levels.
    double SrgbLevel(double light)
    {
        return 255
            * (light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055);
    }

    QByteArray PngIn(
        const QColorSpace& space, QColor colour, QImage::Format format = QImage::Format_RGB32)
    {
        QImage image = tools::Solid({ 16, 16 }, colour, format);
        image.setColorSpace(space);
        return tools::WritePng(image);
    }

    // A picture whose numbers mean another tone curve than sRGB's is shown converted to sRGB; one
    // in sRGB, or as near it as a camera's profile, as stored.
    TEST(PictureDecoder, ShowsAnotherToneCurveInSrgbAndSrgbAsStored)
    {
        using Curve = QColorSpace::TransferFunction;
        const QColor grey(50, 50, 50), edge(255, 255, 17); // edge: its blue moves most near sRGB
        const QByteArray linearGama("\x00\x01\x86\xa0", 4); // gAMA 1: light as it is
        // Its red a thousandth off sRGB's: converting would show `edge` with blue 15, yet no grey
        // and no mix of none, half or all of each primary moves by half a level.
        const QColorSpace camera(QPointF(0.3127, 0.3290), QPointF(0.641, 0.33), QPointF(0.30, 0.60),
            QPointF(0.15, 0.06), Curve::SRgb);
        const double linear = SrgbLevel(50 / 255.0); // 122.4
        const struct {
            const char* name;
            QByteArray file;
            double blue, tolerance;
        } rows[] = {
            { "grey PNG, linear by gAMA",
                tools::WritePng(tools::Solid({ 16, 16 }, grey, QImage::Format_Grayscale8), {},
                    { { "gAMA", linearGama } }),
                linear, 0.5 },
            { "16-bit PNG, half transparent, linear Rec.709 ICC profile",
                PngIn(QColorSpace(QColorSpace::Primaries::SRgb, Curve::Linear),
                    QColor(50, 50, 50, 128), QImage::Format_RGBA64),
                linear, 1.5 }, // kept premultiplied in eight bits
            { "HEIC, colour codes BT.709 linear",
                tools::WriteHeic({ .picture = tools::Solid({ 16, 16 }, grey),
                    .quality = 90,
                    .primaries = 1,
                    .curve = 8 }),
                linear, 3 },
            { "PNG, sRGB ICC profile", PngIn(QColorSpace::SRgb, edge), 17, 0 },
            { "PNG, camera's sRGB ICC profile", PngIn(camera, edge), 17, 0 },
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            MemoryByteSource source(row.file);
            LoadFailure failure = LoadFailure::None;
            const auto shown = DecodePicture(source, { false, {}, false, true }, failure);
            ASSERT_TRUE(shown);
            EXPECT_NEAR(shown->image.pixelColor(8, 8).blue(), row.blue, row.tolerance);
        }
    }

} // namespace
} // namespace gb::formats
