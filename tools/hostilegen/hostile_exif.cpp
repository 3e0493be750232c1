#include "hostilegen/hostile_parts.h"
#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"
#include "writers/exif_writer.h"

namespace gb::tools {

namespace {

    using namespace exif;

    void AddBrokenSegments(QList<HostileFile>& corpus, const QByteArray& jpeg)
    {
        const auto either = HostileOutcome::Either;
        for (int length : { 0, 1 }) {
            QByteArray file = jpeg.first(2) + "\xff\xe1";
            PutBe16(file, static_cast<quint32>(length));
            corpus.append(
                { QStringLiteral("exif-app1-length-%1.jpg").arg(length), file + jpeg.mid(2), either,
                    QStringLiteral("APP1 segment of length %1, less than its own length field")
                        .arg(length) });
        }
        const QByteArray pastEnd = jpeg.first(2) + "\xff\xe1\xff\xff" + OrientationExif(6);
        corpus.append({ "exif-app1-past-end.jpg", pastEnd, HostileOutcome::Fails,
            "APP1 claiming 65535 bytes, the file ends inside it with no picture" });
    }

    struct ExifCase {
        const char* name;
        QByteArray body;
        const char* what;
    };

    // The picture itself is intact in each, so each must load whatever its Exif says.
    void AddCases(QList<HostileFile>& corpus, const QByteArray& jpeg, const QList<ExifCase>& cases)
    {
        for (const ExifCase& c : cases)
            corpus.append({ c.name, WithApp1(jpeg, c.body), HostileOutcome::Loads, c.what });
    }

    void AddLyingDirectories(QList<HostileFile>& corpus, const QByteArray& jpeg)
    {
        const ExifEntry selfPointer { kExifPointer, kLong, 1, 8 };
        AddCases(corpus, jpeg,
            { { "exif-ifd-offset-past-end.jpg", ExifBlock(0xfffffff0u, {}),
                  "first IFD 4 GB past the end" },
                { "exif-ifd-offset-zero.jpg", ExifBlock(0, {}),
                    "first IFD at the TIFF header itself" },
                { "exif-ifd-self-loop.jpg",
                    ExifBlock(8, ExifIfd({ selfPointer, { kOrientation, kShort, 1, 6 } }, 8)),
                    "IFD whose next IFD and Exif pointer both lead back to itself" },
                { "exif-ifd-chain-loop.jpg",
                    ExifBlock(
                        8, ExifIfd({ { kMake, kAscii, 4, 0x41424300 } }, 26) + ExifIfd({}, 8)),
                    "two IFDs each naming the other as the next" },
                { "exif-count-65535.jpg",
                    ExifBlock(8, ExifIfd({ { kOrientation, kShort, 1, 3 } }, 0, 65535)),
                    "IFD claiming 65535 entries; it holds one" },
                { "exif-value-counts-huge.jpg",
                    ExifBlock(8,
                        ExifIfd({ { kMake, kAscii, 0xffffffffu, 0x10 },
                                    { kOrientation, kShort, 0x7fffffffu, 0xfffffff0u } },
                            0)),
                    "entries of 4 G characters and 2 G values at offsets past the end" } });

        QByteArray twice = WithApp1(WithApp1(jpeg, OrientationExif(6)), ExifBlock(0xfffffff0u, {}));
        corpus.append({ "exif-two-app1.jpg", twice, HostileOutcome::Loads,
            "a broken Exif segment followed by a valid one with Orientation 6" });
        QByteArray many = jpeg;
        for (int i = 0; i < 50; ++i)
            many = WithApp1(many, ExifBlock(8, ExifIfd({ selfPointer }, 8)));
        corpus.append({ "exif-fifty-loops.jpg", many, HostileOutcome::Loads,
            "fifty Exif segments, each an IFD looping to itself" });
    }

    void AddOddHeaders(QList<HostileFile>& corpus, const QByteArray& jpeg)
    {
        const QList<ExifEntry> oddTypes { { kOrientation, 0, 1, 6 }, { kOrientation, 13, 1, 6 },
            { kOrientation, 0xffff, 1, 6 } };
        AddCases(corpus, jpeg,
            { { "exif-orientation-99.jpg", OrientationExif(99),
                  "Orientation 99 (only 1 to 8 exist)" },
                { "exif-orientation-zero.jpg", OrientationExif(0), "Orientation 0" },
                { "exif-orientation-types.jpg", ExifBlock(8, ExifIfd(oddTypes, 0)),
                    "Orientation entries of type 0, 13 and 65535" },
                { "exif-orientation-long.jpg",
                    ExifBlock(8, ExifIfd({ { kOrientation, kLong, 1, 6 } }, 0)),
                    "Orientation stored as a LONG" },
                { "exif-byte-order-bad.jpg", QByteArray("Exif\0\0XX\0\x2a\0\0\0\x08", 14),
                    "TIFF header with byte order XX" },
                { "exif-tiff-cut.jpg", QByteArray("Exif\0\0MM\0", 9),
                    "TIFF header cut after three bytes" },
                { "exif-not-exif.jpg", QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41),
                    "APP1 holding XMP instead of Exif" },
                { "exif-little-endian-loop.jpg",
                    ExifBlock(8,
                        ExifIfd({ { kOrientation, kShort, 1, 6 } }, 8, {}, ByteOrder::Little),
                        ByteOrder::Little),
                    "little-endian IFD with Orientation 6 whose next IFD is itself" } });
    }

    // A camera's big-endian Exif block recording the picture's size as LONG, its IFD1 locating
    // `thumbnail` (stored right after it) by `at` (0: where it is) and `bytes`.
    QByteArray LyingCamera(QSize recorded, const QByteArray& thumbnail, quint32 at, quint32 bytes)
    {
        return CameraExifBlock({ 1, recorded, thumbnail, true, kLong,
            at == 0 ? std::nullopt : std::optional(at), bytes });
    }

    // The main picture is intact in each, so each must load; what varies is the thumbnail a
    // camera would have embedded, which a thumbnail load may take instead of the picture.
    void AddLyingThumbnails(QList<HostileFile>& corpus)
    {
        const QSize size(320, 240);
        const QByteArray picture = WriteJpeg(TestCard(size.width(), size.height()), 40);
        const QByteArray thumbnail = WriteJpeg(TestCard(160, 120), 40);
        const auto bytes = static_cast<quint32>(thumbnail.size());
        QByteArray bomb = thumbnail;
        const qsizetype frame = bomb.indexOf("\xff\xc0");
        if (frame > 0)
            bomb.replace(frame + 5, 4, QByteArray("\xff\xff\xff\xff", 4));
        AddCases(corpus, picture,
            { { "exif-thumbnail-control.jpg", LyingCamera(size, thumbnail, 0, bytes),
                  "320 x 240 JPEG with a true 160 x 120 Exif thumbnail" },
                { "exif-thumbnail-past-end.jpg", LyingCamera(size, thumbnail, 0xffffff00u, bytes),
                    "Exif thumbnail 4 GB past the end" },
                { "exif-thumbnail-length-2e31.jpg", LyingCamera(size, thumbnail, 0, 0x7fffffffu),
                    "Exif thumbnail claiming 2 GB" },
                { "exif-thumbnail-cut.jpg",
                    LyingCamera(size, thumbnail.first(bytes / 2), 0, bytes / 2),
                    "Exif thumbnail cut in half" },
                { "exif-thumbnail-sof-65535.jpg", LyingCamera(size, bomb, 0, bytes),
                    "Exif thumbnail whose frame header claims 65535 x 65535" },
                { "exif-thumbnail-is-tiff-header.jpg", LyingCamera(size, thumbnail, 1, bytes),
                    "Exif thumbnail pointing into the TIFF header" } });
    }

} // namespace

void AddExifFiles(QList<HostileFile>& corpus)
{
    const QByteArray jpeg = WriteJpeg(TestCard(48, 32), 85);
    AddBrokenSegments(corpus, jpeg);
    AddLyingDirectories(corpus, jpeg);
    AddOddHeaders(corpus, jpeg);
    AddLyingThumbnails(corpus);
}

} // namespace gb::tools
