#include "platform/icon_directory.h"
#include "platform/qt_picture_loader.h"
#include "samplegen/image_writers.h"
#include "support/temp_folder.h"

#include <QFile>
#include <QtEndian>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace gb::platform {
namespace {

    using namespace gb::tools;

    const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 60), kBlue = qRgb(40, 60, 220),
               kYellow = qRgb(240, 220, 40);

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

    bool Near(QRgb a, QRgb b, int tolerance = 40)
    {
        return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
            && qAbs(qBlue(a) - qBlue(b)) <= tolerance && qAbs(qAlpha(a) - qAlpha(b)) <= tolerance;
    }

    // Colour at a fraction of the picture's width and height.
    QRgb At(const QImage& img, double fx, double fy)
    {
        return img.pixel(int(fx * img.width()), int(fy * img.height()));
    }

    void ExpectSamePixels(const QImage& got, const QImage& want)
    {
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(got.convertToFormat(QImage::Format_ARGB32),
            want.convertToFormat(QImage::Format_ARGB32));
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

    TEST_F(PictureLoaderTest, BmpVariantsDecodePixelExact)
    {
        const QImage rich = RunsAndNoise(37, 11, 200), few = RunsAndNoise(37, 11, 16);
        const struct {
            const char* name;
            QByteArray bytes;
            QImage want;
            QImage::Format format = QImage::Format_RGB32;
        } cases[] = {
            { "plain.bmp", WriteBmp(rich), rich },
            { "eight.bmp", WriteBmp(rich, 8), rich },
            { "four.bmp", WriteBmp(few, 4), few },
            { "runs8.rle", WriteRle8Bmp(rich), rich },
            { "runs4.bmp", WriteRle4Bmp(few), few },
            { "packed.dib", WriteHeaderlessDib(rich), rich },
            { "packed8.dib", WriteHeaderlessDib(rich, 8), rich },
            // An alpha mask makes it a picture with alpha, even if every pixel is opaque.
            { "packed32.bmp", WriteHeaderlessDib(rich, 32), rich,
                QImage::Format_ARGB32_Premultiplied },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            const auto loaded = Load(c.name, c.bytes);
            ASSERT_TRUE(loaded);
            EXPECT_EQ(loaded->naturalSize, QSize(37, 11));
            EXPECT_EQ(loaded->image.format(), c.format);
            ExpectSamePixels(loaded->image, c.want);
        }
    }

    TEST_F(PictureLoaderTest, RleFilesReallyAreCompressed)
    {
        const QImage img = RunsAndNoise(64, 16, 16);
        const QByteArray rle8 = WriteRle8Bmp(img), rle4 = WriteRle4Bmp(img);
        EXPECT_EQ(qFromLittleEndian<quint32>(rle8.constData() + 30), 1u); // BI_RLE8
        EXPECT_EQ(qFromLittleEndian<quint32>(rle4.constData() + 30), 2u); // BI_RLE4
        EXPECT_LT(rle8.size(), WriteBmp(img, 8).size());
        EXPECT_LT(rle4.size(), WriteBmp(img, 4).size());
    }

    TEST_F(PictureLoaderTest, HeaderlessDibsWithOtherHeaderSizes)
    {
        // BITMAPCOREHEADER: 2 x 2, 24 bit, rows bottom-up padded to four bytes.
        QByteArray core;
        for (int v : { 12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 24, 0 })
            core.append(char(v));
        core.append("\x00\x00\xff\x00\xff\x00\x00\x00", 8); // bottom: red, green
        core.append("\xff\x00\x00\xff\xff\xff\x00\x00", 8); // top: blue, white
        const auto loaded = Load("core.dib", core);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->image.pixel(0, 0), qRgb(0, 0, 255));
        EXPECT_EQ(loaded->image.pixel(1, 0), qRgb(255, 255, 255));
        EXPECT_EQ(loaded->image.pixel(0, 1), qRgb(255, 0, 0));
        EXPECT_EQ(loaded->image.pixel(1, 1), qRgb(0, 255, 0));

        // BITMAPV3INFOHEADER (56 bytes, masks inside), which Qt does not read on its own.
        QImage alpha = Quadrants(6, 4);
        alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
        const QByteArray v4 = WriteHeaderlessDib(alpha, 32);
        QByteArray v3 = v4.left(56) + v4.mid(108);
        qToLittleEndian<quint32>(56, v3.data());
        const auto fromV3 = Load("v3.dib", v3);
        ASSERT_TRUE(fromV3);
        EXPECT_EQ(fromV3->image.format(), QImage::Format_ARGB32_Premultiplied);
        ExpectSamePixels(fromV3->image, alpha);
    }

    TEST_F(PictureLoaderTest, BmpAlphaIsKept)
    {
        QImage img = Quadrants(8, 8);
        img.setPixel(1, 1, qRgba(0, 0, 0, 0));
        const auto loaded = Load("alpha.bmp", WriteBmp(img, 32));
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(qAlpha(loaded->image.pixel(1, 1)), 0);
        EXPECT_EQ(loaded->image.pixel(6, 6), kYellow);
    }

    TEST_F(PictureLoaderTest, TypeComesFromContentNotName)
    {
        const auto bmpAsJpeg = Load("photo.jpg", WriteBmp(Quadrants(10, 6)));
        ASSERT_TRUE(bmpAsJpeg);
        EXPECT_EQ(bmpAsJpeg->image.pixel(9, 5), kYellow);
        const auto jpegAsBmp = Load("photo.bmp", WriteJpeg(Quadrants(32, 16), 90));
        ASSERT_TRUE(jpegAsBmp);
        EXPECT_EQ(jpegAsBmp->naturalSize, QSize(32, 16));
        EXPECT_FALSE(Load("notes.jpg", "Shopping list: milk, eggs, more milk.\n"));
        EXPECT_FALSE(Load("noise.gif", QByteArray(300, '\x5a')));
    }

    TEST_F(PictureLoaderTest, BrokenAndMissingFilesFail)
    {
        EXPECT_FALSE(Load("empty.bmp", QByteArray()));
        const QByteArray bmp = WriteBmp(Quadrants(20, 20)), gif = WriteGif(Quadrants(20, 20));
        const QByteArray jpeg = WriteJpeg(Quadrants(20, 20), 90),
                         ico = WriteIco({ { Quadrants(16, 16) } });
        EXPECT_FALSE(Load("cut.bmp", bmp.left(30)));
        EXPECT_FALSE(Load("cut.gif", gif.left(12)));
        EXPECT_FALSE(Load("cut.jpg", jpeg.left(40)));
        EXPECT_FALSE(Load("cut.ico", ico.left(30)));
        EXPECT_FALSE(Load("cut.dib", WriteHeaderlessDib(Quadrants(20, 20)).left(30)));
        EXPECT_FALSE(loader_.LoadPicture(folder_.File("missing.bmp"), {}));
        EXPECT_FALSE(loader_.LoadPicture(folder_.Path(), {}));
    }

    TEST_F(PictureLoaderTest, HugeClaimedSizesAreRefused)
    {
        QByteArray bmp = WriteBmp(Quadrants(4, 4));
        qToLittleEndian<qint32>(100000, bmp.data() + 18);
        qToLittleEndian<qint32>(100000, bmp.data() + 22);
        EXPECT_FALSE(Load("huge.bmp", bmp));
        QByteArray gif = WriteGif(Quadrants(4, 4));
        qToLittleEndian<quint16>(60000, gif.data() + 6);
        qToLittleEndian<quint16>(60000, gif.data() + 8);
        EXPECT_FALSE(Load("huge.gif", gif));
    }

    TEST_F(PictureLoaderTest, OnlyRegularFilesAreOpened)
    {
        const QString fifo = folder_.File("x.bmp");
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        EXPECT_FALSE(loader_.LoadPicture(fifo, {})); // a blocking open would hang here
        ASSERT_TRUE(QFile::link(fifo, folder_.File("link-to-fifo.bmp")));
        EXPECT_FALSE(loader_.LoadPicture(folder_.File("link-to-fifo.bmp"), {}));

        folder_.Write("real.bmp", WriteBmp(Quadrants(6, 6)));
        ASSERT_TRUE(QFile::link(folder_.File("real.bmp"), folder_.File("link.bmp")));
        const auto viaLink = loader_.LoadPicture(folder_.File("link.bmp"), {});
        ASSERT_TRUE(viaLink);
        EXPECT_EQ(viaLink->naturalSize, QSize(6, 6));
    }

    TEST_F(PictureLoaderTest, JpegIsTurnedUprightByExif)
    {
        const auto plain = Load("plain.jpg", WriteJpeg(Quadrants(40, 20), 95));
        ASSERT_TRUE(plain);
        EXPECT_TRUE(Near(At(plain->image, 0.25, 0.25), kRed));

        // Orientation 6: stored landscape, shown turned a quarter clockwise.
        const auto turned = Load("turned.jpg", WriteJpeg(Quadrants(40, 20), 95, 6));
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->naturalSize, QSize(20, 40));
        EXPECT_EQ(turned->image.size(), QSize(20, 40));
        EXPECT_TRUE(Near(At(turned->image, 0.25, 0.25), kBlue));
        EXPECT_TRUE(Near(At(turned->image, 0.75, 0.25), kRed));
        EXPECT_TRUE(Near(At(turned->image, 0.25, 0.75), kYellow));
        EXPECT_TRUE(Near(At(turned->image, 0.75, 0.75), kGreen));
    }

    TEST_F(PictureLoaderTest, JpegDecodesReducedForSmallBoxes)
    {
        const PictureOptions thumb { false, QSize(62, 62) };
        const auto big = Load("big.jpg", WriteJpeg(Quadrants(1600, 1200), 80), thumb);
        ASSERT_TRUE(big);
        EXPECT_EQ(big->naturalSize, QSize(1600, 1200));
        EXPECT_GE(big->image.width(), 124);
        EXPECT_GE(big->image.height(), 93);
        EXPECT_LT(big->image.width(), 1600);
        EXPECT_TRUE(Near(At(big->image, 0.75, 0.75), kYellow));

        const auto turned = Load("turned.jpg", WriteJpeg(Quadrants(1600, 1200), 80, 6), thumb);
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->naturalSize, QSize(1200, 1600));
        EXPECT_GE(turned->image.width(), 93);
        EXPECT_GE(turned->image.height(), 124);
        EXPECT_LT(turned->image.height(), 1600);
        EXPECT_EQ(turned->image.width() * 4, turned->image.height() * 3);
        EXPECT_TRUE(Near(At(turned->image, 0.25, 0.25), kBlue));

        // Halving 200 x 150 would leave less than twice the 62 x 47 thumbnail.
        const auto small = Load("small.jpg", WriteJpeg(Quadrants(200, 150), 80), thumb);
        ASSERT_TRUE(small);
        EXPECT_EQ(small->image.size(), QSize(200, 150));
        const auto bmp = Load("big.bmp", WriteBmp(Quadrants(400, 300)), thumb);
        ASSERT_TRUE(bmp);
        EXPECT_EQ(bmp->image.size(), QSize(400, 300));
    }

    TEST_F(PictureLoaderTest, GifKeepsTransparencyAndColours)
    {
        QImage img = Quadrants(30, 20);
        for (int x = 0; x < 30; ++x)
            img.setPixel(x, 0, qRgba(0, 0, 0, 0));
        const auto loaded = Load("clear.gif", WriteGif(img, 3));
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(qAlpha(loaded->image.pixel(5, 0)), 0);
        EXPECT_EQ(loaded->image.pixel(29, 19), kYellow);

        // 256 colours scattered: long enough for the LZW table to fill and start again.
        const QImage busy = RunsAndNoise(256, 128, 256);
        const auto many = Load("busy.gif", WriteGif(busy));
        ASSERT_TRUE(many);
        ExpectSamePixels(many->image, busy);
    }

    TEST_F(PictureLoaderTest, IconsPickTheEntryNearest32WhenAskedFor)
    {
        const QByteArray ico = WriteIco({ { Solid(16, 16, kRed) }, { Solid(48, 48, kGreen), 8 },
            { Solid(32, 32, kBlue), 32, true } });
        const auto first = Load("app.ico", ico);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->image.pixel(3, 3), kRed);
        const auto large = Load("app.ico", ico, { true, {} });
        ASSERT_TRUE(large);
        EXPECT_EQ(large->naturalSize, QSize(32, 32));
        EXPECT_EQ(large->image.pixel(3, 3), kBlue);

        // Equally far from 32: the deeper colour wins, else the first listed.
        const QByteArray deeper
            = WriteIco({ { Solid(16, 16, kRed), 8 }, { Solid(48, 48, kGreen) } });
        EXPECT_EQ(Load("deeper.ico", deeper, { true, {} })->naturalSize, QSize(48, 48));
        const QByteArray same = WriteIco({ { Solid(16, 16, kRed) }, { Solid(48, 48, kGreen) } });
        EXPECT_EQ(Load("same.ico", same, { true, {} })->naturalSize, QSize(16, 16));
    }

    TEST_F(PictureLoaderTest, IconAndCursorMasksBecomeAlpha)
    {
        QImage img = Quadrants(32, 32);
        img.setPixel(0, 0, qRgba(0, 0, 0, 0));
        for (int bits : { 32, 8 }) {
            SCOPED_TRACE(bits);
            const auto ico = Load("masked.ico", WriteIco({ { img, bits } }));
            ASSERT_TRUE(ico);
            EXPECT_EQ(ico->image.format(), QImage::Format_ARGB32_Premultiplied);
            ExpectSamePixels(ico->image, img);
        }
        const QByteArray cur = WriteCur({ { Solid(16, 16, kRed) }, { img } }, QPoint(4, 4));
        const auto cursor = Load("arrow.cur", cur, { true, {} });
        ASSERT_TRUE(cursor);
        ExpectSamePixels(cursor->image, img);
        EXPECT_TRUE(Load("arrow.cur", cur));
    }

    TEST_F(PictureLoaderTest, ConcurrentLoadsAgree)
    {
        const QImage img = RunsAndNoise(40, 30, 100);
        folder_.Write("a.bmp", WriteRle8Bmp(img));
        folder_.Write("b.gif", WriteGif(img));
        folder_.Write("c.ico", WriteIco({ { Solid(16, 16, kRed) }, { Solid(32, 32, kBlue) } }));
        std::vector<std::thread> threads;
        std::atomic<int> failures { 0 };
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 20; ++i)
                    for (const char* name : { "a.bmp", "b.gif", "c.ico" }) {
                        const auto p = loader_.LoadPicture(folder_.File(name), { true, {} });
                        if (!p || p->image.isNull())
                            ++failures;
                    }
            });
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(failures, 0);
    }

    struct RawEntry {
        int width, height, bits;
        quint32 bytes, offset;
    };

    // An ICONDIR with the given entries followed by `payload` bytes of zeros.
    QByteArray Directory(const QList<RawEntry>& entries, int count, int payload, int type = 1)
    {
        QByteArray b(6 + 16 * entries.size() + payload, '\0');
        qToLittleEndian<quint16>(type, b.data() + 2);
        qToLittleEndian<quint16>(count, b.data() + 4);
        for (int i = 0; i < entries.size(); ++i) {
            char* e = b.data() + 6 + 16 * i;
            e[0] = char(entries[i].width);
            e[1] = char(entries[i].height);
            qToLittleEndian<quint16>(1, e + 4);
            qToLittleEndian<quint16>(entries[i].bits, e + 6);
            qToLittleEndian<quint32>(entries[i].bytes, e + 8);
            qToLittleEndian<quint32>(entries[i].offset, e + 12);
        }
        return b;
    }

    TEST(IconDirectoryTest, ChoosesNearestThenDeeperThenFirst)
    {
        const QSize want(32, 32);
        EXPECT_EQ(ChooseIconEntry(Directory({ { 16, 16, 32, 40, 54 }, { 48, 48, 32, 40, 54 },
                                                { 32, 32, 4, 40, 54 } },
                                      3, 40),
                      want),
            2);
        EXPECT_EQ(ChooseIconEntry(
                      Directory({ { 16, 16, 8, 40, 38 }, { 48, 48, 32, 40, 38 } }, 2, 40), want),
            1);
        EXPECT_EQ(ChooseIconEntry(
                      Directory({ { 16, 16, 8, 40, 38 }, { 48, 48, 8, 40, 38 } }, 2, 40), want),
            0);
        // A stored 0 stands for 256.
        EXPECT_EQ(
            ChooseIconEntry(Directory({ { 64, 64, 32, 40, 38 }, { 0, 0, 32, 40, 38 } }, 2, 40),
                QSize(256, 256)),
            1);
    }

    TEST(IconDirectoryTest, HostileDirectoriesFailCleanly)
    {
        const QSize want(32, 32);
        EXPECT_FALSE(ChooseIconEntry(QByteArray(), want));
        EXPECT_FALSE(ChooseIconEntry(QByteArray("\0\0\1\0", 4), want));
        EXPECT_FALSE(ChooseIconEntry(Directory({}, 0, 40), want)); // no entries
        EXPECT_FALSE(ChooseIconEntry(Directory({}, 500, 0), want)); // count past the end
        EXPECT_FALSE(
            ChooseIconEntry(Directory({ { 32, 32, 32, 40, 22 } }, 1, 40, 3), want)); // type
        // The entries present are still offered when the count runs past the end.
        EXPECT_EQ(ChooseIconEntry(Directory({ { 16, 16, 32, 40, 22 } }, 200, 40), want), 0);
        // Payloads past the end, straddling it, or absurdly far away are skipped.
        EXPECT_EQ(ChooseIconEntry(
                      Directory({ { 32, 32, 32, 40, 5000 }, { 16, 16, 32, 40, 38 } }, 2, 40), want),
            1);
        EXPECT_EQ(ChooseIconEntry(
                      Directory({ { 32, 32, 32, 41, 38 }, { 16, 16, 32, 40, 38 } }, 2, 40), want),
            1);
        EXPECT_FALSE(ChooseIconEntry(Directory({ { 32, 32, 32, 40, 0xfffffff0u } }, 1, 40), want));
        EXPECT_FALSE(ChooseIconEntry(Directory({ { 32, 32, 32, 0xffffffffu, 22 } }, 1, 40), want));
    }

    TEST_F(PictureLoaderTest, HostileIconsFailWithoutCrashing)
    {
        EXPECT_FALSE(
            Load("lying.ico", Directory({ { 32, 32, 32, 40, 22 } }, 200, 40), { true, {} }));
        EXPECT_FALSE(Load("far.ico", Directory({ { 32, 32, 32, 40, 9000 } }, 1, 40), { true, {} }));
    }

} // namespace
} // namespace gb::platform
