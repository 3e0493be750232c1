#include "formats/icon_directory.h"
#include "platform/qt_picture_loader.h"
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QFile>
#include <QtEndian>
#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace gb::platform {
namespace {

    using namespace gb::tools;

    const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 60), kBlue = qRgb(40, 60, 220),
               kYellow = qRgb(240, 220, 40);
    const PictureOptions kLarge { true, {} };
    const QImage::Format kAlpha = QImage::Format_ARGB32_Premultiplied;

    // Four solid quadrants: red, green / blue, yellow. Rotations and scaling keep them apart.
    QImage Quadrants(int w, int h)
    {
        QImage img(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(
                    x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kYellow));
        return img;
    }

    // Long runs on the left, scattered pixels on the right, so RLE needs runs and absolute mode.
    QImage RunsAndNoise(int w, int h, int colours)
    {
        QImage img(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = x < w / 2 ? y % colours : (x * 7 + y * 13 + x * y) % colours;
                img.setPixel(x, y, qRgb(i * 37 % 256, 255 - i * 11 % 256, i * 5 % 256));
            }
        return img;
    }

    QImage Solid(int w, int h, QRgb colour)
    {
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(colour);
        return img;
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
        QtPictureLoader loader_;
    };

    TEST_F(PictureLoaderTest, EveryTypeDecodesPixelExact)
    {
        const QImage rich = RunsAndNoise(37, 11, 200), few = RunsAndNoise(37, 11, 16);
        const QImage busy = RunsAndNoise(256, 128, 256);
        QImage clear = Quadrants(32, 32);
        clear.setPixel(0, 0, qRgba(0, 0, 0, 0));
        // BITMAPCOREHEADER (12 bytes, 16-bit sizes) before the 24-bit pixels of a 2 x 2 picture.
        const QByteArray core = QByteArray("\x0c\0\0\0\x02\0\x02\0\x01\0\x18\0", 12)
            + WriteHeaderlessDib(Quadrants(2, 2)).mid(40);
        // BITMAPV3INFOHEADER (56 bytes, masks inside), which Qt does not read on its own.
        const QByteArray v4 = WriteHeaderlessDib(clear, 32);
        QByteArray v3 = v4.left(56) + v4.mid(108);
        qToLittleEndian<quint32>(56, v3.data());
        const QByteArray icons = WriteIco({ { Solid(16, 16, kRed) }, { Solid(48, 48, kGreen), 8 },
            { Solid(32, 32, kBlue), 32, true } });
        const QByteArray cursors = WriteCur({ { Solid(16, 16, kRed) }, { clear } }, QPoint(4, 4));
        const struct {
            const char* name;
            QByteArray bytes;
            QImage want;
            QImage::Format format = QImage::Format_RGB32;
            PictureOptions options = {};
        } cases[] = {
            { "plain.bmp", WriteBmp(rich), rich },
            { "eight.bmp", WriteBmp(rich, 8), rich },
            { "four.bmp", WriteBmp(few, 4), few },
            { "runs8.rle", WriteRle8Bmp(rich), rich },
            { "runs4.bmp", WriteRle4Bmp(few), few },
            { "alpha.bmp", WriteBmp(clear, 32), clear, kAlpha },
            { "bmp-named.jpg", WriteBmp(Quadrants(10, 6)), Quadrants(10, 6) },
            { "packed.dib", WriteHeaderlessDib(rich), rich },
            { "packed8.dib", WriteHeaderlessDib(rich, 8), rich },
            // An alpha mask makes it a picture with alpha, even if every pixel is opaque.
            { "packed32.bmp", WriteHeaderlessDib(rich, 32), rich, kAlpha },
            { "core.dib", core, Quadrants(2, 2) },
            { "v3.dib", v3, clear, kAlpha },
            { "clear.gif", WriteGif(clear, 3), clear, kAlpha },
            // 256 colours scattered: long enough for the LZW table to fill and start again.
            { "busy.gif", WriteGif(busy), busy },
            { "masked32.ico", WriteIco({ { clear, 32 } }), clear, kAlpha },
            { "masked8.ico", WriteIco({ { clear, 8 } }), clear, kAlpha },
            // Without the large icon option the first image; with it the one nearest 32 x 32,
            // when equally far the deeper colour, else the first listed.
            { "first.ico", icons, Solid(16, 16, kRed), kAlpha },
            { "large.ico", icons, Solid(32, 32, kBlue), kAlpha, kLarge },
            { "deeper.ico", WriteIco({ { Solid(16, 16, kRed), 8 }, { Solid(48, 48, kGreen) } }),
                Solid(48, 48, kGreen), kAlpha, kLarge },
            { "same.ico", WriteIco({ { Solid(16, 16, kRed) }, { Solid(48, 48, kGreen) } }),
                Solid(16, 16, kRed), kAlpha, kLarge },
            { "first.cur", cursors, Solid(16, 16, kRed), kAlpha },
            { "large.cur", cursors, clear, kAlpha, kLarge },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            const auto loaded = Load(c.name, c.bytes, c.options);
            ASSERT_TRUE(loaded);
            EXPECT_EQ(loaded->naturalSize, c.want.size());
            EXPECT_EQ(loaded->image.format(), c.format);
            EXPECT_EQ(loaded->image.convertToFormat(QImage::Format_ARGB32),
                c.want.convertToFormat(QImage::Format_ARGB32));
        }
        // The RLE files above really are compressed.
        const QImage img = RunsAndNoise(64, 16, 16);
        const QByteArray rle8 = WriteRle8Bmp(img), rle4 = WriteRle4Bmp(img);
        EXPECT_EQ(qFromLittleEndian<quint32>(rle8.constData() + 30), 1u); // BI_RLE8
        EXPECT_EQ(qFromLittleEndian<quint32>(rle4.constData() + 30), 2u); // BI_RLE4
        EXPECT_LT(rle8.size(), WriteBmp(img, 8).size());
        EXPECT_LT(rle4.size(), WriteBmp(img, 4).size());
    }

    TEST_F(PictureLoaderTest, JpegIsTurnedUprightAndDecodedReducedForSmallBoxes)
    {
        const PictureOptions thumb { false, QSize(62, 62) };
        const std::array upright { kRed, kGreen, kBlue, kYellow },
            turned { kBlue, kRed, kYellow, kGreen };
        const struct {
            const char* name;
            QByteArray bytes;
            PictureOptions options;
            QSize natural;
            std::array<QRgb, 4> quadrants;
            QSize atLeast = {}; // when valid, the picture is reduced but no smaller than this
        } cases[] = {
            { "jpeg-named.bmp", WriteJpeg(Quadrants(40, 20), 95), {}, { 40, 20 }, upright },
            // Orientation 6: stored landscape, shown turned a quarter clockwise.
            { "turned.jpg", WriteJpeg(Quadrants(40, 20), 95, 6), {}, { 20, 40 }, turned },
            { "big.jpg", WriteJpeg(Quadrants(1600, 1200), 80), thumb, { 1600, 1200 }, upright,
                { 124, 93 } },
            { "big-turned.jpg", WriteJpeg(Quadrants(1600, 1200), 80, 6), thumb, { 1200, 1600 },
                turned, { 93, 124 } },
            // Halving 200 x 150 would leave less than twice the 62 x 47 thumbnail.
            { "small.jpg", WriteJpeg(Quadrants(200, 150), 80), thumb, { 200, 150 }, upright },
            { "big.bmp", WriteBmp(Quadrants(400, 300)), thumb, { 400, 300 }, upright },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            const auto loaded = Load(c.name, c.bytes, c.options);
            ASSERT_TRUE(loaded);
            EXPECT_EQ(loaded->naturalSize, c.natural);
            const QSize size = loaded->image.size();
            EXPECT_EQ(size.expandedTo(c.atLeast.isValid() ? c.atLeast : c.natural), size);
            EXPECT_EQ(size.boundedTo(c.natural), size);
            EXPECT_EQ(size != c.natural, c.atLeast.isValid()); // reduced only when allowed
            EXPECT_EQ(size.width() * c.natural.height(), size.height() * c.natural.width());
            for (int i = 0; i < 4; ++i) { // each quadrant, a quarter in from its corners
                const QRgb got = loaded->image.pixel(
                    size.width() * (i % 2 ? 3 : 1) / 4, size.height() * (i / 2 ? 3 : 1) / 4);
                const QRgb want = c.quadrants[i];
                EXPECT_TRUE(qAbs(qRed(got) - qRed(want)) <= 40
                    && qAbs(qGreen(got) - qGreen(want)) <= 40
                    && qAbs(qBlue(got) - qBlue(want)) <= 40 && qAlpha(got) == 255)
                    << "quadrant " << i << ": " << std::hex << got;
            }
        }
    }

    // An ICONDIR with entries { width, height, bits, bytes, offset }, then `payload` zero bytes.
    QByteArray Directory(
        const QList<std::array<quint32, 5>>& entries, int count, int payload, int type = 1)
    {
        QByteArray b(6 + 16 * entries.size() + payload, '\0');
        qToLittleEndian<quint16>(type, b.data() + 2);
        qToLittleEndian<quint16>(count, b.data() + 4);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const auto [width, height, bits, bytes, offset] = entries[i];
            char* e = b.data() + 6 + 16 * i;
            e[0] = char(width), e[1] = char(height);
            qToLittleEndian<quint16>(1, e + 4);
            qToLittleEndian<quint16>(quint16(bits), e + 6);
            qToLittleEndian(bytes, e + 8);
            qToLittleEndian(offset, e + 12);
        }
        return b;
    }

    TEST_F(PictureLoaderTest, OnlyPicturesInRegularFilesLoad)
    {
        QByteArray hugeBmp = WriteBmp(Quadrants(4, 4)), hugeGif = WriteGif(Quadrants(4, 4));
        qToLittleEndian<qint32>(100000, hugeBmp.data() + 18);
        qToLittleEndian<qint32>(100000, hugeBmp.data() + 22);
        qToLittleEndian<quint16>(60000, hugeGif.data() + 6);
        qToLittleEndian<quint16>(60000, hugeGif.data() + 8);
        const std::pair<const char*, QByteArray> cases[] = {
            { "notes.jpg", "Shopping list: milk, eggs, more milk.\n" },
            { "noise.gif", QByteArray(300, '\x5a') },
            { "empty.bmp", QByteArray() },
            { "cut.bmp", WriteBmp(Quadrants(20, 20)).left(30) },
            { "cut.gif", WriteGif(Quadrants(20, 20)).left(12) },
            { "cut.jpg", WriteJpeg(Quadrants(20, 20), 90).left(40) },
            { "cut.ico", WriteIco({ { Quadrants(16, 16) } }).left(30) },
            { "cut.dib", WriteHeaderlessDib(Quadrants(20, 20)).left(30) },
            { "huge.bmp", hugeBmp },
            { "huge.gif", hugeGif },
            { "lying.ico", Directory({ { 32, 32, 32, 40, 22 } }, 200, 40) },
            { "far.ico", Directory({ { 32, 32, 32, 40, 9000 } }, 1, 40) },
        };
        for (const auto& [name, bytes] : cases)
            for (const PictureOptions& options : { PictureOptions {}, kLarge }) {
                SCOPED_TRACE(std::string(name) + (options.largeIcon ? " large" : ""));
                EXPECT_FALSE(Load(name, bytes, options));
            }

        // Only regular files are opened, but links to them are followed.
        const QString fifo = folder_.File("x.bmp");
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(fifo, folder_.File("link-to-fifo.bmp")));
        // A blocking open of the pipe would hang here.
        for (const QString& path :
            { fifo, folder_.File("link-to-fifo.bmp"), folder_.File("missing.bmp"), folder_.Path() })
            EXPECT_FALSE(loader_.LoadPicture(path, {})) << qPrintable(path);
        folder_.Write("real.bmp", WriteBmp(Quadrants(6, 6)));
        ASSERT_TRUE(QFile::link(folder_.File("real.bmp"), folder_.File("link.bmp")));
        EXPECT_EQ(loader_.LoadPicture(folder_.File("link.bmp"), {})
                      .value_or(LoadedPicture {})
                      .naturalSize,
            QSize(6, 6));
    }

    TEST_F(PictureLoaderTest, ConcurrentLoadsAgree)
    {
        const QImage img = RunsAndNoise(40, 30, 100);
        folder_.Write("a.bmp", WriteRle8Bmp(img));
        folder_.Write("b.gif", WriteGif(img));
        folder_.Write("c.ico", WriteIco({ { Solid(16, 16, kRed) }, { Solid(32, 32, kBlue) } }));
        std::atomic<int> failures { 0 };
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 20; ++i)
                    for (const char* name : { "a.bmp", "b.gif", "c.ico" })
                        failures += loader_.LoadPicture(folder_.File(name), kLarge)
                                        .value_or(LoadedPicture {})
                                        .image.isNull();
            });
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(failures, 0);
    }

    TEST(IconDirectoryTest, ChoosesNearestThenDeeperThenFirstAndSurvivesHostileDirectories)
    {
        const struct {
            QByteArray bytes;
            int chosen; // -1: none
            int side = 32;
        } cases[] = {
            { Directory(
                  { { 16, 16, 32, 40, 54 }, { 48, 48, 32, 40, 54 }, { 32, 32, 4, 40, 54 } }, 3, 40),
                2 },
            { Directory({ { 16, 16, 8, 40, 38 }, { 48, 48, 32, 40, 38 } }, 2, 40), 1 },
            { Directory({ { 16, 16, 8, 40, 38 }, { 48, 48, 8, 40, 38 } }, 2, 40), 0 },
            { Directory({ { 64, 64, 32, 40, 38 }, { 0, 0, 32, 40, 38 } }, 2, 40), 1,
                256 }, // 0 is 256
            { QByteArray(), -1 },
            { QByteArray("\0\0\1\0", 4), -1 },
            { Directory({}, 0, 40), -1 },
            { Directory({}, 500, 0), -1 }, // the count runs past the end
            { Directory({ { 32, 32, 32, 40, 22 } }, 1, 40, 3), -1 }, // no icon type
            // The entries present are still offered when the count runs past the end.
            { Directory({ { 16, 16, 32, 40, 22 } }, 200, 40), 0 },
            // Payloads past the end, straddling it, or absurdly far away are skipped.
            { Directory({ { 32, 32, 32, 40, 5000 }, { 16, 16, 32, 40, 38 } }, 2, 40), 1 },
            { Directory({ { 32, 32, 32, 41, 38 }, { 16, 16, 32, 40, 38 } }, 2, 40), 1 },
            { Directory({ { 32, 32, 32, 40, 0xfffffff0u } }, 1, 40), -1 },
            { Directory({ { 32, 32, 32, 0xffffffffu, 22 } }, 1, 40), -1 },
        };
        for (size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(i);
            const QSize wanted(cases[i].side, cases[i].side);
            EXPECT_EQ(
                formats::ChooseIconEntry(cases[i].bytes, wanted).value_or(-1), cases[i].chosen);
        }
    }

} // namespace
} // namespace gb::platform
