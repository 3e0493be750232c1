// PNG and WebP files written by Qt with an Exif block put in by hand, and the orientation read;
// the date taken, from these and the other containers of an Exif block.
#include "formats/date_taken.h"
#include "formats/exif_date.h"
#include "formats/exif_orientation.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

namespace gb::formats {
namespace {

    const QByteArray kExifHeader("Exif\0\0", 6);

    // The TIFF structure of a camera's Exif block: what follows "Exif\0\0" in a JPEG.
    QByteArray Tiff(int orientation, bool bigEndian = false)
    {
        return tools::WriteExifSegment({ orientation, {}, {}, bigEndian }).mid(10);
    }

    QByteArray Written(const char* format, int orientation = 1)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        writer.setQuality(100);
        writer.setTransformation(QImageIOHandler::Transformations(orientation == 6 ? 4 : 0));
        writer.write(tools::Quadrants({ 6, 4 }));
        return bytes;
    }

    QByteArray Number(quint32 value, bool bigEndian)
    {
        QByteArray bytes(4, '\0');
        bigEndian ? qToBigEndian(value, bytes.data()) : qToLittleEndian(value, bytes.data());
        return bytes;
    }

    // Qt's PNG with a chunk right after the header, whose length may lie.
    QByteArray PngWith(const QByteArray& type, const QByteArray& data, int length = -1)
    {
        const QByteArray chunk = type + data;
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), uInt(chunk.size()));
        const QByteArray png = Written("png");
        return png.left(33) + Number(length < 0 ? data.size() : length, true) + chunk
            + Number(quint32(crc), true) + png.mid(33);
    }

    // "Raw profile type exif" as ImageMagick writes it: the block in hexadecimal lines.
    QByteArray RawProfile(const QByteArray& block, bool compressed)
    {
        const QByteArray text = "\nexif\n" + QByteArray::number(block.size()).rightJustified(8)
            + "\n" + block.toHex() + "\n";
        return QByteArray("Raw profile type exif\0", 22)
            + (compressed ? '\0' + qCompress(text).mid(4) : text);
    }

    QByteArray RiffChunk(const QByteArray& type, const QByteArray& data)
    {
        return type + Number(data.size(), false) + data + QByteArray(data.size() % 2, '\0');
    }

    // Qt's WebP put in the extended layout: VP8X, which may announce the Exif chunk at the end.
    QByteArray WebpWith(const QByteArray& exif, bool announced)
    {
        const QByteArray canvas("\x05\0\0\x03\0\0", 6); // 6 x 4, each side less one
        const QByteArray flags = QByteArray(announced ? "\x08" : "\0", 1) + QByteArray(3, '\0');
        const QByteArray body = "WEBP" + RiffChunk("VP8X", flags + canvas) + Written("webp").mid(12)
            + RiffChunk("ODDS", "odd") + RiffChunk("EXIF", exif);
        return "RIFF" + Number(body.size(), false) + body;
    }

    TEST(ExifOrientationTest, ReadsTheBlockPngAndWebpCarry)
    {
        const struct {
            const char* row;
            QByteArray bytes;
            int orientation;
        } cases[] = {
            { "PNG eXIf", PngWith("eXIf", Tiff(6)), 6 },
            { "PNG eXIf big-endian", PngWith("eXIf", Tiff(8, true)), 8 },
            { "PNG eXIf with JPEG's header", PngWith("eXIf", kExifHeader + Tiff(3)), 3 },
            { "PNG eXIf past the end", PngWith("eXIf", Tiff(6), 4000), 1 },
            { "PNG raw profile", PngWith("tEXt", RawProfile(kExifHeader + Tiff(5), false)), 5 },
            { "PNG raw profile compressed",
                PngWith("zTXt", RawProfile(kExifHeader + Tiff(7), true)), 7 },
            { "PNG raw profile compressed by no known method",
                PngWith("zTXt", RawProfile(kExifHeader + Tiff(7), true).replace(22, 1, "\1")), 1 },
            { "PNG other text", PngWith("tEXt", QByteArray("Comment\0exif", 12)), 1 },
            { "PNG plain", Written("png"), 1 },
            { "WebP EXIF", WebpWith(Tiff(6), true), 6 },
            { "WebP EXIF unannounced", WebpWith(Tiff(6), false), 1 },
            { "WebP plain", Written("webp"), 1 },
            { "TIFF, which Qt turns itself", Written("tiff", 6), 1 },
        };
        for (const auto& c : cases)
            EXPECT_EQ(EmbeddedOrientation(c.bytes), c.orientation) << c.row;
    }

    // Qt's readers with their own turning, then ours: each picture comes out turned once.
    TEST(ExifOrientationTest, QtsTurningAndOursTogetherTurnEachPictureOnce)
    {
        using namespace tools::quadrant;
        for (const QByteArray& bytes :
            { PngWith("eXIf", Tiff(6)), WebpWith(Tiff(6), true), Written("tiff", 6) }) {
            QBuffer buffer;
            buffer.setData(bytes);
            QImageReader reader(&buffer);
            reader.setAutoTransform(true);
            // What Qt decodes is its natural size, upright by Qt's lights.
            QImage read = reader.read();
            const QSize size = read.size();
            const auto picture
                = TurnedUpright({ std::move(read), size }, EmbeddedOrientation(bytes));
            const QImage& image = picture.image;
            const std::string row = reader.format().toStdString();
            EXPECT_EQ(picture.naturalSize, QSize(4, 6)) << row;
            EXPECT_EQ(image.size(), QSize(4, 6)) << row;
            EXPECT_EQ(image.pixel(0, 0), kBlue) << row;
            EXPECT_EQ(image.pixel(3, 0), kRed) << row;
            EXPECT_EQ(image.pixel(3, 5), kGreen) << row;
        }
        // Orientation 5, the first that turns a quarter, mirrors across the main diagonal.
        const auto transposed = TurnedUpright({ tools::Quadrants({ 6, 4 }), { 6, 4 } }, 5);
        EXPECT_EQ(transposed.naturalSize, QSize(4, 6));
        EXPECT_EQ(transposed.image.pixel(3, 0), kBlue);
    }

} // namespace
} // namespace gb::formats

namespace gb::formats {
namespace {

    // The TIFF structure of an Exif block recording a date taken and, when given, its offset.
    QByteArray DatedTiff(const QByteArray& taken, const QByteArray& offset = {})
    {
        return tools::CameraExifBlock({ .taken = taken, .takenOffset = offset })
            .mid(kExifHeader.size());
    }

    std::optional<qint64> DateOf(const QByteArray& file)
    {
        return DateTakenIn(file, [](qint64, qint64) { return QByteArray(); });
    }

    TEST(DateTakenTest, EachContainerGivesTheDateItsExifRecords)
    {
        const QByteArray day("2021:06:15 14:30:05"), east("+02:00");
        const qint64 utc = 1623760205000; // 12:30:05 UTC
        const qint64 local = QDateTime(QDate(2021, 6, 15), QTime(14, 30, 5)).toMSecsSinceEpoch();
        const QByteArray jpeg = Written("jpeg");
        const struct {
            const char* name;
            QByteArray file;
            std::optional<qint64> taken;
        } rows[] = {
            { "JPEG with offset", tools::WithApp1(jpeg, kExifHeader + DatedTiff(day, east)), utc },
            { "JPEG without offset: local time",
                tools::WithApp1(jpeg, kExifHeader + DatedTiff(day)), local },
            { "JPEG, west of UTC", tools::WithApp1(jpeg, kExifHeader + DatedTiff(day, "-05:30")),
                utc + (2 * 60 + 5 * 60 + 30) * 60'000 },
            { "TIFF", DatedTiff(day, east), utc },
            { "PNG eXIf", PngWith("eXIf", DatedTiff(day, east)), utc },
            { "WebP EXIF", WebpWith(DatedTiff(day, east), true), utc },
            { "DNG",
                tools::WriteCameraRaw({ .preview = tools::Quadrants({ 64, 48 }),
                    .sensor = { 64, 48 },
                    .taken = day.data(),
                    .takenOffset = "+02:00" }),
                utc },
            { "zero date", PngWith("eXIf", DatedTiff("0000:00:00 00:00:00", east)), std::nullopt },
            { "blank date", PngWith("eXIf", DatedTiff("    :  :     :  :  ")), std::nullopt },
            { "no such day", PngWith("eXIf", DatedTiff("2021:02:30 14:30:05")), std::nullopt },
            { "unreadable offset: local time", PngWith("eXIf", DatedTiff(day, "+2h")), local },
            { "no date", PngWith("eXIf", Tiff(6)), std::nullopt },
        };
        for (const auto& row : rows)
            EXPECT_EQ(DateOf(row.file), row.taken) << row.name;
    }

} // namespace
} // namespace gb::formats
