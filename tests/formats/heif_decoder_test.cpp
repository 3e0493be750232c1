// Real HEIC and AVIF files (tests/data/heif from libheif's corpus; phone-like ones it writes).
#include "formats/decode_budget.h"
#include "formats/heif_canvas.h"
#include "formats/heif_coded_size.h"
#include "formats/heif_colours.h"
#include "formats/heif_decoder.h"
#include "formats/heif_source_reader.h"
#include "formats/picture_decoder.h"
#include "samplegen/heif_writers.h"
#include "writers/exif_writer.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    const QRgb kRed = qRgb(255, 27, 28), kBlue = qRgb(162, 159, 255), kGreen = qRgb(174, 255, 183),
               kYellow = qRgb(255, 253, 136), kPurple = qRgb(177, 67, 250),
               kLime = qRgb(140, 251, 68);
    const QString kThumbnailed = QStringLiteral("colors-no-alpha-thumbnail.heic");

    QByteArray Read(const QString& name)
    {
        QFile file(QStringLiteral(GLIMMERBOX_SOURCE_DIR "/tests/data/heif/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::optional<LoadedPicture> DecodeHeif(const QByteArray& bytes, const PictureOptions& options)
    {
        MemoryByteSource source(bytes);
        bool readFailed = false;
        return formats::DecodeHeif(source, options, readFailed);
    }

    struct ShareSource : MemoryByteSource { // counts bytes asked for; fails reads past `failFrom`
        using MemoryByteSource::MemoryByteSource;
        bool Read(qint64 offset, qint64 length, QByteArray& into) override
        {
            bytesRead += std::clamp<qint64>(Size() - offset, 0, length);
            return offset + length <= failFrom && MemoryByteSource::Read(offset, length, into);
        }
        qint64 failFrom = 0, bytesRead = 0;
    };

    // Lossy coding leaves each channel near, not at, the colour.
    void ExpectNear(QRgb got, QRgb want, const QString& where)
    {
        EXPECT_NEAR(qRed(got), qRed(want), 40) << where.toStdString();
        EXPECT_NEAR(qGreen(got), qGreen(want), 40) << where.toStdString();
        EXPECT_NEAR(qBlue(got), qBlue(want), 40) << where.toStdString();
        EXPECT_NEAR(qAlpha(got), qAlpha(want), 8) << where.toStdString();
    }

    TEST(HeifDecoderTest, DecodesUprightAndFromTheThumbnailWhenItIsLargeEnough)
    {
        // The 64 x 64 thumbnail serves a 16 x 16 box, not one of 40 x 40 (it needs 80 x 80), nor
        // when embedded thumbnails are not wanted.
        const PictureOptions tile { false, QSize(16, 16), true },
            large { false, QSize(40, 40), true }, unwanted { false, QSize(16, 16), false };
        const QImage::Format kOpaque = QImage::Format_RGB32;
        const struct {
            QString name;
            PictureOptions options;
            QSize natural, decoded;
            QImage::Format format;
            QRgb topLeft, topRight, bottomRight;
        } cases[] = {
            { kThumbnailed, {}, { 72, 72 }, { 72, 72 }, kOpaque, kRed, kBlue, kGreen },
            { kThumbnailed, tile, { 72, 72 }, { 64, 64 }, kOpaque, kRed, kBlue, kGreen },
            { kThumbnailed, unwanted, { 72, 72 }, { 72, 72 }, kOpaque, kRed, kBlue, kGreen },
            { kThumbnailed, large, { 72, 72 }, { 72, 72 }, kOpaque, kRed, kBlue, kGreen },
            { "colors-rotated.heic", {}, { 72, 72 }, { 72, 72 }, kOpaque, kBlue, kGreen, kYellow },
            { "colors-rotated.heic", tile, { 72, 72 }, { 64, 64 }, kOpaque, kBlue, kGreen,
                kYellow },
            // The same but that the thumbnail lacks the turn: it shows the picture lying on its
            // side (red, blue, green), so the tile is the picture's.
            { "thumbnail-unturned.heic", tile, { 72, 72 }, { 72, 72 }, kOpaque, kBlue, kGreen,
                kYellow },
            { "colors-with-alpha.heic", tile, { 64, 64 }, { 64, 64 },
                QImage::Format_ARGB32_Premultiplied, qRgba(2, 81, 69, 136), qRgba(6, 1, 227, 232),
                qRgb(253, 0, 0) },
            { "avif32.avif", {}, { 32, 32 }, { 32, 32 }, kOpaque, kPurple, qRgb(94, 211, 254),
                kLime },
        };
        for (const auto& c : cases) {
            const QString row
                = c.name + " reduced for " + QString::number(c.options.reduceFor.width());
            const auto picture = DecodeHeif(Read(c.name), c.options);
            ASSERT_TRUE(picture) << row.toStdString();
            const QImage& image = picture->image;
            EXPECT_EQ(picture->naturalSize, c.natural) << row.toStdString();
            EXPECT_EQ(image.size(), c.decoded) << row.toStdString();
            EXPECT_EQ(image.format(), c.format) << row.toStdString();
            EXPECT_EQ(picture->embedded, c.decoded != c.natural) << row.toStdString();
            const int right = image.width() - 3, bottom = image.height() - 3;
            ExpectNear(image.pixel(2, 2), c.topLeft, row + " top left");
            ExpectNear(image.pixel(right, 2), c.topRight, row + " top right");
            ExpectNear(image.pixel(right, bottom), c.bottomRight, row + " bottom right");
        }
    }

    TEST(HeifDecoderTest, RecognisesTheBrandsAndRefusesWhatIsNoPicture)
    {
        const QByteArray heic = Read(kThumbnailed);
        const QByteArray garbage = heic.left(24) + QByteArray(2000, '\x5a');
        EXPECT_TRUE(IsHeif(garbage));
        EXPECT_FALSE(DecodeHeif(garbage, {}));
        EXPECT_FALSE(DecodeHeif(heic.left(heic.size() / 2), {}));
        // Its size box ('ispe', whose width sits at 336) claims 30000 x 30000, beyond 256 MB, or
        // 16 x 16, less room than the 72 x 72 pixels libheif decodes need.
        for (const quint32 side : { 30000u, 16u }) {
            QByteArray lying = heic;
            qToBigEndian(side, lying.data() + 336);
            qToBigEndian(side, lying.data() + 340);
            EXPECT_FALSE(DecodeHeif(lying, {})) << side;
        }
        // A brand of its own first, HEIF's among the compatible ones; an MP4 video.
        EXPECT_TRUE(IsHeif(QByteArrayLiteral("\0\0\0\030ftypMiHE\0\0\0\0MiHAmif1")));
        EXPECT_FALSE(IsHeif(QByteArrayLiteral("\0\0\0\030ftypisom\0\0\0\0isommp41")));
        EXPECT_FALSE(IsHeif(heic.left(15)));
    }

    // An overlay ('iovl') whose 'ispe' says 72 x 72 is composed on its canvas, which libheif
    // allocates first: the canvas is what counts against the budget.
    TEST(HeifDecoderTest, AnOverlayIsMeasuredByItsCanvas)
    {
        MemoryByteSource overlay(Read("overlay-canvas.heic")), coded(Read(kThumbnailed));
        const std::optional<QSize> canvas = HeifCanvasSize(overlay);
        ASSERT_TRUE(canvas);
        EXPECT_GT(qint64(canvas->width()) * canvas->height() * 4, qint64(256) << 20);
        EXPECT_FALSE(DecodeHeif(Read("overlay-canvas.heic"), {}));
        EXPECT_FALSE(HeifCanvasSize(coded)); // a coded picture has none
    }

    // The frame the coded data declare, against the stored size: an HEVC picture's in its
    // sequence parameter set, an AV1 picture's in the sequence header leading its data (libheif
    // writes none into 'av1C'), whatever its 'ispe' says.
    TEST(HeifDecoderTest, FindsTheCodedFrameOfEachCodec)
    {
        const QImage picture = tools::Detailed({ 96, 64 });
        const struct {
            const char* name;
            QByteArray file;
            QSize frame;
        } rows[] = {
            { "HEVC", tools::WriteHeic({ .picture = picture }), { 96, 64 } },
            { "AV1", tools::WriteHeic({ .picture = picture, .av1 = true }), { 96, 64 } },
            { "AV1 stored as 8 x 8",
                tools::WriteHeic({ .picture = picture, .av1 = true, .storedSize = { 8, 8 } }),
                { 96, 64 } },
        };
        for (const auto& row : rows) {
            MemoryByteSource file(row.file);
            const std::optional<quint32> primary = HeifPrimaryItem(file);
            ASSERT_TRUE(primary) << row.name;
            const HeifCoding coding = HeifItemCoding(file, *primary);
            EXPECT_EQ(coding.frame, row.frame) << row.name;
            EXPECT_NE(coding.av1, coding.hevc) << row.name;
            EXPECT_FALSE(coding.layered) << row.name;
        }
    }

    // A sequence parameter set for 96 x 64 written by hand (its sizes in its last bytes), alone in
    // an 'hvcC' body: one ending the body gives them, one cut short of them or of its length none.
    TEST(HeifDecoderTest, AParameterSetCutShortGivesNoSize)
    {
        const QByteArray sps = QByteArray::fromHex("420101") + QByteArray(12, '\0')
            + QByteArray::fromHex("a0308107");
        const auto hvcC = [](const QByteArray& nal, char length) {
            return QByteArray(22, '\0') + QByteArray::fromHex("01210001") + '\0' + length + nal;
        };
        EXPECT_EQ(HevcCodedSize(hvcC(sps, 19)), QSize(96, 64));
        EXPECT_FALSE(HevcCodedSize(hvcC(sps.left(16), 16)));
        EXPECT_FALSE(HevcCodedSize(hvcC(sps.left(18), 19)));
    }

    // A coded frame larger than the stored size is reserved for; it is shown only when the item
    // declares layers ('a1lx' here: a 128 x 128 AV1 picture stored as 64 x 64), whose stored size
    // may be a lower layer's. The small budget holds the stored size's decode, not the frame's.
    TEST(HeifDecoderTest, AFrameBeyondTheStoredSizeIsReservedAndShownOnlyWhenLayered)
    {
        const QByteArray lying = tools::WriteHeic(
            { .picture = tools::Detailed({ 128, 128 }), .av1 = true, .storedSize = { 64, 64 } });
        const qint64 kSmall = 128 * 128 * 8, kAmple = 128 * 128 * 64;
        const struct {
            const char* name;
            QByteArray file;
            qint64 budget;
            bool shown;
        } rows[] = {
            { "layered", Read("layered-a1lx.avif"), kAmple, true },
            { "layered, small budget", Read("layered-a1lx.avif"), kSmall, false },
            { "stored size lying", lying, kAmple, false },
        };
        for (const auto& row : rows) {
            DecodeBudget budget(row.budget);
            MemoryByteSource source(row.file);
            bool readFailed = false;
            const auto picture = formats::DecodeHeif(source, {}, readFailed, budget);
            EXPECT_EQ(picture.has_value(), row.shown) << row.name;
            if (picture) {
                EXPECT_EQ(picture->image.size(), QSize(128, 128)) << row.name;
                EXPECT_EQ(picture->naturalSize, QSize(128, 128)) << row.name;
            }
        }
    }

    TEST(HeifDecoderTest, ATileReadsTheHeadTheBoxesAndTheThumbnailOnly)
    {
        // Its Exif item records when it was taken: asked for, that costs a few hundred bytes.
        const QByteArray phone = tools::WriteHeic({ .picture = tools::Detailed({ 1280, 960 }),
            .quality = 90,
            .thumbnailSide = 160,
            .exif
            = tools::CameraExifBlock({ .taken = "2021:06:15 14:30:05", .takenOffset = "+02:00" })
                  .mid(6) });
        const QByteArray bare = tools::WriteHeic({ tools::Detailed({ 1280, 960 }), 90, 0 });
        const qint64 kNever = 1LL << 40, kTile = std::min<qint64>(phone.size() / 10, 160 << 10);
        const struct {
            const char* name;
            QByteArray file;
            qint64 failFrom, least, most;
            bool dated = false;
        } rows[] = {
            { "stored thumbnail", phone, kNever, 0, kTile },
            { "stored thumbnail, date asked", phone, kNever, 0, kTile, true },
            { "no thumbnail", bare, kNever, bare.size() - 2048, bare.size() + (80 << 10) },
            { "read failing mid-file", phone, phone.size() / 2, 0, kTile },
        };
        for (const auto& row : rows) {
            ShareSource source(row.file);
            source.failFrom = row.failFrom;
            LoadFailure failure = LoadFailure::NotShown;
            const auto tile
                = DecodePicture(source, { false, QSize(62, 62), true, true, row.dated }, failure);
            EXPECT_EQ(tile ? tile->takenMs : std::nullopt,
                row.dated ? std::optional<qint64>(1623760205000) : std::nullopt)
                << row.name;
            EXPECT_EQ(failure, row.failFrom < kNever ? LoadFailure::Unreadable : LoadFailure::None)
                << row.name;
            EXPECT_GE(source.bytesRead, row.least) << row.name;
            EXPECT_LE(source.bytesRead, row.most) << row.name;
        }
    }

    // Colour codes without an ICC profile: (200, 60, 59) meant in Display P3 is a deeper red in
    // sRGB, worked out by hand from the primaries as for the JPEG; sRGB's numbers stay exact.
    // Items that all point at the same bytes make libheif read far more than the file holds:
    // past what any picture we decode takes, the reader hands out zeros and the decode is refused.
    TEST(HeifDecoderTest, ReadsPastTheDecodeBudgetAreRefused)
    {
        struct Ones : ByteSource { // a file of the budget's size, made as it is read
            qint64 Size() const override { return kMaxDecodedBytes; }
            bool Read(qint64, qint64 length, QByteArray& into) override
            {
                into.append(QByteArray(length, '\1'));
                return true;
            }
        } ones;
        HeifSourceReader reader(ones);
        const heif_reader& callbacks = HeifSourceReader::Callbacks();
        QByteArray chunk(kMaxDecodedBytes / 4, '\0');
        for (int i = 0; i < 4; ++i) {
            callbacks.seek(0, &reader);
            callbacks.read(chunk.data(), size_t(chunk.size()), &reader);
        }
        EXPECT_FALSE(reader.Exhausted()); // exactly the budget
        EXPECT_EQ(chunk.at(0), '\1');
        callbacks.seek(0, &reader);
        callbacks.read(chunk.data(), 1, &reader);
        EXPECT_TRUE(reader.Exhausted());
        EXPECT_EQ(chunk.at(0), '\0');
    }

    TEST(HeifDecoderTest, ShowsColourCodesOfAWideGamutInSrgb)
    {
        const auto p3 = DecodeHeif(Read("brick-p3.avif"), {});
        ASSERT_TRUE(p3);
        const QRgb shown = p3->image.pixel(4, 4);
        EXPECT_NEAR(qRed(shown), 217, 2);
        EXPECT_NEAR(qGreen(shown), 42, 2);
        EXPECT_NEAR(qBlue(shown), 51, 2);
        const auto srgb = DecodeHeif(Read("brick-srgb.avif"), {});
        const auto unnamed = DecodeHeif(Read("brick-unnamed.avif"), {});
        ASSERT_TRUE(srgb);
        ASSERT_TRUE(unnamed);
        EXPECT_EQ(srgb->image, unnamed->image);
        EXPECT_EQ(qRed(srgb->image.pixel(4, 4)), 200);
    }

    TEST(HeifDecoderTest, ColourCodesNameASpaceOnlyForColoursNotSrgbsAndACurveQtKnows)
    {
        QColorSpace (*const space)(int, int) = ColourCodeSpace;
        using Curve = QColorSpace::TransferFunction;
        EXPECT_EQ(space(12, 13), QColorSpace(QColorSpace::DisplayP3));
        EXPECT_NE(space(9, 13), QColorSpace(QColorSpace::DisplayP3)); // BT.2020
        EXPECT_EQ(space(12, 1).transferFunction(), Curve::SRgb); // BT.709's curve
        EXPECT_EQ(space(9, 8).transferFunction(), Curve::Linear);
        EXPECT_EQ(space(9, 4).gamma(), 2.2f);
        EXPECT_EQ(space(1, 8), QColorSpace(QColorSpace::Primaries::SRgb, Curve::Linear));
        EXPECT_EQ(space(2, 5).gamma(), 2.8f); // primaries unnamed: BT.709's
        EXPECT_FALSE(space(1, 13).isValid()); // sRGB
        EXPECT_FALSE(space(2, 2).isValid()); // nothing named
        EXPECT_FALSE(space(9, 16).isValid()); // PQ
        EXPECT_FALSE(space(9, 18).isValid()); // HLG
        EXPECT_FALSE(space(3, 13).isValid()); // reserved
    }

} // namespace
} // namespace gb::formats
