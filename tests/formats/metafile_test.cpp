#include "platform/qt_picture_loader.h"
#include "samplegen/metafile_writers.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QImage>
#include <QtEndian>
#include <atomic>
#include <bit>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <thread>
#include <vector>

namespace gb::platform {
namespace {

    using namespace gb::tools;

    const QString kSamples = QStringLiteral("/work/shared/samples/metafiles");
    constexpr qint32 kRed = 0x0000ff, kBlue = 0xff0000, kGreen = 0x00ff00;

    // WMF records that make and select a solid brush and a pen; each takes slot 0, freed again.
    WmfWriter& UseBrush(WmfWriter& w, qint32 colour)
    {
        w.AddRaw(0x02FC, Words({ 0, colour & 0xffff, colour >> 16, 0 }));
        return w.Add(0x012D, { 0 }).Add(0x01F0, { 0 });
    }
    WmfWriter& NoPen(WmfWriter& w)
    {
        w.AddRaw(0x02FA, Words({ 5, 0, 0, 0, 0 }));
        return w.Add(0x012D, { 0 }).Add(0x01F0, { 0 });
    }
    EmfWriter& EmfBrush(EmfWriter& e, qint32 slot, qint32 colour)
    {
        return e.Add(39, { slot, 0, colour, 0 }).Add(37, { slot });
    }

    // 100 x 100 pixels: a placeable box of 100 units at 96 per inch.
    WmfWriter Placeable100() { return WmfWriter(QRect(0, 0, 100, 100), 96); }
    // 100 x 100 pixels: a frame of 2646 hundredths of a millimetre is 100 px at 96 DPI.
    EmfWriter Emf100() { return EmfWriter(QRect(0, 0, 2647, 2647)); }

    bool IsColour(const QImage& image, int x, int y, QColor want)
    {
        const QColor got = image.pixelColor(x, y);
        return got.alpha() == 255 && qAbs(got.red() - want.red()) < 8
            && qAbs(got.green() - want.green()) < 8 && qAbs(got.blue() - want.blue()) < 8;
    }
    bool IsClear(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)) == 0; }

    int CountOpaque(const QImage& image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qAlpha(image.pixel(x, y)) > 0;
        return count;
    }

    class MetafileTest : public ::testing::Test {
    protected:
        std::optional<LoadedPicture> Load(const QByteArray& bytes, PictureOptions options = {})
        {
            folder_.Write(QStringLiteral("picture.wmf"), bytes);
            return loader_.LoadPicture(folder_.File(QStringLiteral("picture.wmf")), options);
        }

        test::TempFolder folder_;
        QtPictureLoader loader_;
    };

    TEST_F(MetafileTest, PlaceableWmfDrawsShapesWithTheSelectedObjects)
    {
        WmfWriter w = Placeable100();
        NoPen(w);
        UseBrush(w, kRed).Add(0x041B, { 50, 50, 10, 10 }); // rectangle: bottom, right, top, left
        UseBrush(w, kBlue).Add(0x0418, { 95, 95, 55, 55 }); // ellipse
        UseBrush(w, kGreen).Add(0x0324, { 3, 60, 10, 90, 10, 90, 40 }); // triangle
        const auto picture = Load(w.Finish(1));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(100, 100));
        EXPECT_EQ(picture->image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_TRUE(IsColour(picture->image, 30, 30, Qt::red));
        EXPECT_TRUE(IsColour(picture->image, 75, 75, Qt::blue));
        EXPECT_TRUE(IsClear(picture->image, 57, 57)); // the ellipse's corner
        EXPECT_TRUE(IsColour(picture->image, 85, 15, Qt::green));
        EXPECT_TRUE(IsClear(picture->image, 65, 35)); // below the triangle's slope
        EXPECT_TRUE(IsClear(picture->image, 5, 95));
    }

    TEST_F(MetafileTest, PlainWmfTakesItsSizeFromTheWindowAndMapsTheWindowOntoIt)
    {
        // Window of 200 x 100 units from (1000, 1000): the picture is 200 x 100 pixels.
        WmfWriter w;
        w.Add(0x020B, { 1000, 1000 }).Add(0x020C, { 100, 200 });
        NoPen(w);
        UseBrush(w, kRed).Add(0x041B, { 1100, 1100, 1000, 1000 }); // the left half
        const auto picture = Load(w.Finish(1));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(200, 100));
        EXPECT_TRUE(IsColour(picture->image, 50, 50, Qt::red));
        EXPECT_TRUE(IsClear(picture->image, 150, 50));
    }

    TEST_F(MetafileTest, PlaceableBoxScalesWithItsUnitsPerInch)
    {
        // 2880 units at 1440 per inch: two inches, 192 pixels; the window doubles it again.
        WmfWriter w(QRect(0, 0, 2880, 1440), 1440);
        w.Add(0x020C, { 720, 1440 });
        NoPen(w);
        UseBrush(w, kBlue).Add(0x041B, { 360, 720, 0, 0 });
        const auto picture = Load(w.Finish(1));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(192, 96));
        EXPECT_TRUE(IsColour(picture->image, 90, 40, Qt::blue));
        EXPECT_TRUE(IsClear(picture->image, 110, 60));
    }

    TEST_F(MetafileTest, SaveAndRestoreBringBackTheBrushAndClip)
    {
        WmfWriter w = Placeable100();
        NoPen(w);
        UseBrush(w, kRed).Add(0x001E, {}); // SAVEDC
        UseBrush(w, kBlue).Add(0x0416, { 50, 50, 0, 0 }); // clip to the top-left quarter
        w.Add(0x041B, { 100, 100, 0, 0 });
        w.Add(0x0127, { -1 }).Add(0x041B, { 100, 100, 60, 60 }); // RESTOREDC, then red
        const auto picture = Load(w.Finish(1));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 25, 25, Qt::blue));
        EXPECT_TRUE(IsClear(picture->image, 75, 25)); // outside the clip
        EXPECT_TRUE(IsColour(picture->image, 80, 80, Qt::red));
    }

    TEST_F(MetafileTest, ASelectedClipRegionLimitsDrawingToItsScans)
    {
        WmfWriter w = Placeable100();
        NoPen(w);
        UseBrush(w, kBlue);
        // Two scans: the top-left and the bottom-right quarter.
        w.AddRaw(0x06FF,
            Words({ 0, 6, 0, 0, 0, 2, 4, 0, 0, 100, 100, 2, 0, 50, 0, 50, 2, 2, 50, 100, 50, 100,
                2 }));
        w.Add(0x012C, { 0 }).Add(0x041B, { 100, 100, 0, 0 });
        const auto picture = Load(w.Finish(1));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 25, 25, Qt::blue));
        EXPECT_TRUE(IsColour(picture->image, 75, 75, Qt::blue));
        EXPECT_TRUE(IsClear(picture->image, 75, 25));
        EXPECT_TRUE(IsClear(picture->image, 25, 75));
    }

    TEST_F(MetafileTest, TextIsDrawnAtItsAlignment)
    {
        for (const int align : { 0, 6 | 24 }) { // top-left; centred on the baseline
            WmfWriter w(QRect(0, 0, 200, 60), 96);
            w.Add(0x0102, { 1 }).Add(0x012E, { align }).AddRaw(0x0209, Dwords({ 0 }));
            QByteArray font = Words({ -40, 0, 0, 0, 700, 0, 0, 0, 0 });
            w.AddRaw(0x02FB, font.append("Sans Serif").append('\0')).Add(0x012D, { 0 });
            const QByteArray text("HIH");
            w.AddRaw(0x0521, Words({ 3 }) + text + QByteArray(1, '\0') + Words({ 40, 100 }));
            const auto picture = Load(w.Finish(1));
            ASSERT_TRUE(picture);
            const QImage& img = picture->image;
            QRect inked;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (qAlpha(img.pixel(x, y)) > 128)
                        inked |= QRect(x, y, 1, 1);
            ASSERT_FALSE(inked.isEmpty());
            if (align == 0) { // starts at x 100 and hangs below y 40
                EXPECT_NEAR(inked.left(), 100, 6);
                EXPECT_GT(inked.top(), 40);
            } else { // centred on x 100, standing on y 40
                EXPECT_NEAR(inked.center().x(), 100, 4);
                EXPECT_NEAR(inked.bottom(), 40, 2);
            }
        }
    }

    TEST_F(MetafileTest, WmfBitmapIsStretchedOverItsTarget)
    {
        QImage dib(2, 2, QImage::Format_RGB32);
        dib.setPixel(0, 0, qRgb(255, 0, 0));
        dib.setPixel(1, 0, qRgb(0, 255, 0));
        dib.setPixel(0, 1, qRgb(0, 0, 255));
        dib.setPixel(1, 1, qRgb(255, 255, 0));
        WmfWriter w = Placeable100();
        // DIBSTRETCHBLT: rop, source height, width, y, x, target height, width, y, x, bitmap.
        w.AddRaw(0x0B41,
            Dwords({ 0xCC0020 }) + Words({ 2, 2, 0, 0, 80, 80, 10, 10 }) + WritePackedDib(dib));
        const auto picture = Load(w.Finish(0));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 20, 20, Qt::red));
        EXPECT_TRUE(IsColour(picture->image, 80, 20, Qt::green));
        EXPECT_TRUE(IsColour(picture->image, 20, 80, Qt::blue));
        EXPECT_TRUE(IsColour(picture->image, 80, 80, Qt::yellow));
        EXPECT_TRUE(IsClear(picture->image, 5, 5));
    }

    TEST_F(MetafileTest, ARegionTooShortToReadStillTakesItsSlot)
    {
        // Slot 0 goes to the broken region, so the red brush is in slot 1; were the region
        // dropped, selecting slot 1 would miss and the rectangle would stay white.
        WmfWriter w = Placeable100();
        w.AddRaw(0x06FF, Words({ 0, 0, 0, 0 }));
        w.AddRaw(0x02FC, Words({ 0, kRed, 0, 0 })).Add(0x012D, { 1 });
        const auto picture = Load(w.Add(0x041B, { 50, 50, 10, 10 }).Finish(2));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 30, 30, Qt::red));
    }

    TEST_F(MetafileTest, OneBitBitmapsUseTheirPalette)
    {
        // 8 x 2 pixels, 1 bpp: palette entry 0 blue, 1 yellow; the top row is the last stored.
        QByteArray dib = Dwords({ 40, 8, 2 }) + Words({ 1, 1 }) + Dwords({ 0, 8, 0, 0, 2, 0 });
        dib += Dwords({ 0x0000ff, 0xffff00 }); // 0x00RRGGBB: blue, yellow
        dib += Dwords({ 0x0f, 0xf0 }); // bottom row 00001111, top row 11110000
        WmfWriter w = Placeable100();
        // STRETCHDIB: rop, colour usage, source h, w, y, x, target h, w, y, x, bitmap.
        w.AddRaw(0x0F43, Dwords({ 0xCC0020 }) + Words({ 0, 2, 8, 0, 0, 100, 100, 0, 0 }) + dib);
        const auto picture = Load(w.Finish(0));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 20, 20, Qt::yellow));
        EXPECT_TRUE(IsColour(picture->image, 80, 20, Qt::blue));
        EXPECT_TRUE(IsColour(picture->image, 20, 80, Qt::blue));
        EXPECT_TRUE(IsColour(picture->image, 80, 80, Qt::yellow));
    }

    TEST_F(MetafileTest, EmfDrawsShapesAndPathsInDeviceUnits)
    {
        EmfWriter e = Emf100();
        e.Add(37, { qint32(0x80000008) }); // NULL_PEN
        EmfBrush(e, 1, kRed).Add(43, { 10, 10, 50, 50 });
        EmfBrush(e, 2, kBlue).Add(42, { 55, 55, 95, 95 });
        EmfBrush(e, 1, kGreen); // the slot is reused for a new brush
        e.AddRaw(86, Dwords({ 0, 0, 0, 0, 3 }) + Words({ 60, 10, 90, 10, 90, 40 }));
        e.Add(59, {}).Add(27, { 10, 60 }).Add(54, { 40, 60 }).Add(54, { 10, 90 });
        e.Add(61, {}).Add(60, {}).Add(62, { 0, 0, 0, 0 }); // a filled path, green
        const auto picture = Load(e.Finish(3));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(100, 100));
        EXPECT_TRUE(IsColour(picture->image, 30, 30, Qt::red));
        EXPECT_TRUE(IsColour(picture->image, 75, 75, Qt::blue));
        EXPECT_TRUE(IsColour(picture->image, 85, 15, Qt::green));
        EXPECT_TRUE(IsClear(picture->image, 65, 35));
        EXPECT_TRUE(IsColour(picture->image, 15, 65, Qt::green));
        EXPECT_TRUE(IsClear(picture->image, 35, 85)); // beyond the path's diagonal
    }

    TEST_F(MetafileTest, EmfMappingModesAndWorldTransformMoveTheDrawing)
    {
        EmfWriter e = Emf100();
        e.Add(37, { qint32(0x80000008) });
        // MM_ANISOTROPIC: a 10 x 10 window onto the 100 x 100 device, so one unit is 10 px.
        e.Add(17, { 8 }).Add(9, { 10, 10 }).Add(11, { 100, 100 });
        EmfBrush(e, 1, kRed).Add(43, { 0, 0, 4, 4 });
        // Then shifted right by 5 units through the world transform.
        QByteArray shift;
        for (float v : { 1.0f, 0.0f, 0.0f, 1.0f, 5.0f, 0.0f })
            shift += Dwords({ qint32(std::bit_cast<quint32>(v)) });
        e.AddRaw(35, shift);
        EmfBrush(e, 2, kBlue).Add(43, { 0, 6, 4, 10 });
        // MM_LOMETRIC: tenths of a millimetre with y growing upward from the top edge.
        e.AddRaw(36, Dwords({ 0, 0, 0, 0, 0, 0, 1 })).Add(17, { 2 });
        EmfBrush(e, 1, kGreen).Add(43, { 0, -132, 53, -265 }); // 0..20 px across, 50..100 down
        const auto picture = Load(e.Finish(3));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 20, 20, Qt::red));
        EXPECT_TRUE(IsClear(picture->image, 45, 20));
        EXPECT_TRUE(IsColour(picture->image, 70, 80, Qt::blue));
        EXPECT_TRUE(IsColour(picture->image, 10, 75, Qt::green));
        EXPECT_TRUE(IsClear(picture->image, 10, 45));
    }

    TEST_F(MetafileTest, EmfStretchDibitsAndText)
    {
        QImage dib(2, 1, QImage::Format_RGB32);
        dib.setPixel(0, 0, qRgb(255, 0, 0));
        dib.setPixel(1, 0, qRgb(0, 0, 255));
        const QByteArray packed = WritePackedDib(dib);
        EmfWriter e = Emf100();
        e.AddRaw(81,
            Dwords({ 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 80, 40, 120, qint32(packed.size()) - 40, 0,
                0xCC0020, 100, 50 })
                + packed);
        // EXTTEXTOUTW "W" at (10, 60), top-left aligned, in black.
        e.Add(24, { 0 }).Add(18, { 1 });
        e.AddRaw(82, Dwords({ 1, -30, 0, 0, 0, 700, 0 }) + QByteArray(92 - 20, '\0'))
            .Add(37, { 1 });
        e.AddRaw(
            84, Dwords({ 0, 0, 0, 0, 1, 0, 0, 10, 60, 1, 76, 0, 0, 0, 0, 0, 0 }) + Words({ 'W' }));
        const auto picture = Load(e.Finish(2));
        ASSERT_TRUE(picture);
        EXPECT_TRUE(IsColour(picture->image, 10, 20, Qt::red));
        EXPECT_TRUE(IsColour(picture->image, 90, 20, Qt::blue));
        const QImage text = picture->image.copy(0, 55, 60, 45);
        EXPECT_GT(CountOpaque(text), 20);
        EXPECT_TRUE(IsClear(picture->image, 80, 90));
    }

    TEST_F(MetafileTest, EmfGradientsAndExcludedClipAreas)
    {
        EmfWriter e = Emf100();
        e.AddRaw(29, Dwords({ 40, 0, 60, 100 })); // EXCLUDECLIPRECT: a gap down the middle
        // GRADIENTFILL, horizontal: red at the left edge to blue at the right.
        e.AddRaw(118,
            Dwords({ 0, 0, 0, 0, 2, 1, 0, 0, 0 }) + Words({ 0xff00, 0, 0, 0 })
                + Dwords({ 100, 100 }) + Words({ 0, 0, 0xff00, 0 }) + Dwords({ 0, 1 }));
        const auto picture = Load(e.Finish(0));
        ASSERT_TRUE(picture);
        const QColor left = picture->image.pixelColor(5, 50),
                     right = picture->image.pixelColor(95, 50);
        EXPECT_GT(left.red(), 200);
        EXPECT_LT(left.blue(), 40);
        EXPECT_GT(right.blue(), 200);
        EXPECT_LT(right.red(), 40);
        EXPECT_TRUE(IsClear(picture->image, 50, 50));
    }

    TEST_F(MetafileTest, SeveralThreadsLoadAtOnce)
    {
        folder_.Write(QStringLiteral("house.wmf"), WriteSampleWmf());
        folder_.Write(QStringLiteral("shapes.emf"), WriteSampleEmf());
        std::vector<std::thread> threads;
        std::atomic<int> loaded { 0 };
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                const QString name
                    = t % 2 ? QStringLiteral("house.wmf") : QStringLiteral("shapes.emf");
                for (int i = 0; i < 5; ++i)
                    loaded += loader_.LoadPicture(folder_.File(name), {}).has_value();
            });
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(loaded, 20);
    }

    TEST_F(MetafileTest, ThumbnailsAreDrawnSmallButKeepTheNaturalSize)
    {
        WmfWriter w = Placeable100();
        UseBrush(w, kRed).Add(0x041B, { 100, 100, 0, 0 });
        const auto picture = Load(w.Finish(1), PictureOptions { false, QSize(20, 20) });
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(100, 100));
        EXPECT_EQ(picture->image.size(), QSize(40, 40));
        EXPECT_TRUE(IsColour(picture->image, 20, 20, Qt::red));
    }

    TEST_F(MetafileTest, HugeHeadersAreCappedAndEmptyOnesFail)
    {
        WmfWriter huge(QRect(0, 0, 32000, 16000), 96); // 32000 x 16000 pixels asked for
        const auto capped = Load(
            huge.Add(0x041B, { 10, 10, 0, 0 }).Finish(0), PictureOptions { false, QSize(62, 62) });
        ASSERT_TRUE(capped);
        EXPECT_EQ(capped->naturalSize, QSize(8192, 4096));
        EXPECT_FALSE(Load(WmfWriter(QRect(0, 0, 0, 100), 96).Finish(0)));
        EXPECT_FALSE(Load(WmfWriter(QRect(0, 0, 100, 100), 0).Finish(0))); // no window extent
        EXPECT_FALSE(Load(EmfWriter(QRect(0, 0, 0, 2000)).Finish(0)));
        QByteArray noUnits = Placeable100().Finish(0);
        qToLittleEndian<quint16>(0, noUnits.data() + 14);
        EXPECT_FALSE(Load(noUnits));
    }

    TEST_F(MetafileTest, BrokenRecordsFailTheLoad)
    {
        const QByteArray good = Placeable100().Add(0x041B, { 50, 50, 10, 10 }).Finish(0);
        ASSERT_TRUE(Load(good));
        QByteArray zeroSize = good, pastEnd = good;
        qToLittleEndian<quint32>(0, zeroSize.data() + 40); // the rectangle's size in words
        qToLittleEndian<quint32>(0x7fffffff, pastEnd.data() + 40);
        // A polygon that claims 30000 points but holds one.
        const QByteArray manyPoints = Placeable100().Add(0x0324, { 30000, 1, 1 }).Finish(0);
        QByteArray tooManyRecords = Placeable100().Finish(0);
        tooManyRecords.chop(6);
        for (int i = 0; i < 1000001; ++i)
            tooManyRecords += Words({ 3, 0, 0x0035 }); // REALIZEPALETTE
        const struct {
            const char* what;
            QByteArray bytes;
        } cases[] = {
            { "record size 0", zeroSize },
            { "record past the end", pastEnd },
            { "point count", manyPoints },
            { "record limit", tooManyRecords },
            { "truncated header", good.left(30) },
        };
        for (const auto& c : cases)
            EXPECT_FALSE(Load(c.bytes)) << c.what;
    }

    TEST_F(MetafileTest, BrokenEmfRecordsFailTheLoad)
    {
        const QByteArray good = Emf100().Add(43, { 10, 10, 50, 50 }).Finish(0);
        ASSERT_TRUE(Load(good));
        QByteArray oddSize = good, pastEnd = good, headerPastEnd = good;
        qToLittleEndian<quint32>(26, oddSize.data() + 108 + 4); // not a multiple of 4
        qToLittleEndian<quint32>(0xFFFF0128, pastEnd.data() + 108 + 4);
        qToLittleEndian<quint32>(60000, headerPastEnd.data() + 4);
        const QByteArray manyPoints
            = Emf100().AddRaw(86, Dwords({ 0, 0, 0, 0, 1000 }) + Words({ 1, 1 })).Finish(0);
        const QByteArray hugePoints
            = Emf100()
                  .AddRaw(86, Dwords({ 0, 0, 0, 0, qint32(0x95000005) }) + Words({ 1, 1 }))
                  .Finish(0);
        const QByteArray manyPolygons
            = Emf100()
                  .AddRaw(91, Dwords({ 0, 0, 0, 0, 0x40000000, 2, 1 }) + Words({ 1, 1 }))
                  .Finish(0);
        const struct {
            const char* what;
            QByteArray bytes;
        } cases[] = {
            { "odd record size", oddSize },
            { "record past the end", pastEnd },
            { "header past the end", headerPastEnd },
            { "point count", manyPoints },
            { "huge point count", hugePoints },
            { "polygon count", manyPolygons },
            { "truncated header", good.left(60) },
        };
        for (const auto& c : cases)
            EXPECT_FALSE(Load(c.bytes)) << c.what;
    }

    TEST_F(MetafileTest, BadReferencesAreSkippedSafely)
    {
        // Objects that are not there and a bitmap far larger than its record: the rest draws.
        QByteArray lying = WritePackedDib(QImage(2, 2, QImage::Format_RGB32));
        qToLittleEndian<qint32>(60000, lying.data() + 4);
        qToLittleEndian<qint32>(60000, lying.data() + 8);
        WmfWriter w = Placeable100();
        NoPen(w).Add(0x012D, { 500 }).Add(0x01F0, { 500 });
        w.AddRaw(0x0B41, Dwords({ 0xCC0020 }) + Words({ 2, 2, 0, 0, 100, 100, 0, 0 }) + lying);
        UseBrush(w, kRed).Add(0x041B, { 50, 50, 10, 10 });
        const auto wmf = Load(w.Finish(1));
        ASSERT_TRUE(wmf);
        EXPECT_TRUE(IsColour(wmf->image, 30, 30, Qt::red));
        EXPECT_TRUE(IsClear(wmf->image, 80, 80));

        EmfWriter e = Emf100();
        e.Add(37, { 9999 }).Add(40, { 9999 }).Add(39, { 9999, 0, kRed, 0 });
        e.AddRaw(81,
            Dwords({ 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 40, 120, 16, 0, 0xCC0020, 100, 100 })
                + lying.left(56));
        EmfBrush(e, 1, kBlue).Add(43, { 10, 10, 50, 50 });
        const auto emf = Load(e.Finish(2));
        ASSERT_TRUE(emf);
        EXPECT_TRUE(IsColour(emf->image, 30, 30, Qt::blue));
        EXPECT_TRUE(IsClear(emf->image, 80, 80));
    }

    // Damaged copies of good files, the same ones every run: each must fail or load whole.
    TEST_F(MetafileTest, ScrambledFilesFailOrLoadWithinBounds)
    {
        const QByteArray seeds[] = { WriteSampleWmf(), WriteSampleEmf() };
        std::mt19937 random(20240611);
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes = seeds[round % 2];
            for (int k = 0; k < 1 + round % 6; ++k) {
                const qsizetype at = qsizetype(random() % quint32(bytes.size() - 4));
                const quint32 value = round % 3 ? random() : 0x7fffffff;
                qToLittleEndian(value, bytes.data() + at);
            }
            if (round % 7 == 0)
                bytes.truncate(qsizetype(random() % quint32(bytes.size())));
            const auto picture = Load(bytes, PictureOptions { false, QSize(32, 32) });
            if (!picture)
                continue;
            EXPECT_LE(qMax(picture->naturalSize.width(), picture->naturalSize.height()), 8192);
            EXPECT_LE(qMax(picture->image.width(), picture->image.height()), 64);
        }
    }

    TEST_F(MetafileTest, SamplesWithTheProgramLoad)
    {
        const struct {
            QByteArray bytes;
            QSize size;
        } samples[]
            = { { WriteSampleWmf(), QSize(400, 300) }, { WriteSampleEmf(), QSize(378, 227) } };
        for (const auto& sample : samples) {
            const auto picture = Load(sample.bytes);
            ASSERT_TRUE(picture);
            EXPECT_EQ(picture->naturalSize, sample.size);
            EXPECT_GT(CountOpaque(picture->image), sample.size.width() * sample.size.height() / 2);
        }
    }

    // Real files from other programs, when the shared sample folder is there.
    TEST_F(MetafileTest, RealMetafilesLoadAtTheirNaturalSize)
    {
        if (!QDir(kSamples).exists())
            GTEST_SKIP() << "no shared metafile samples";
        const struct {
            const char* name;
            QSize size;
        } files[] = { { "wizard.wmf", { 490, 642 } }, { "clock.wmf", { 490, 495 } },
            { "telescope_01.wmf", { 490, 654 } }, { "gdiwmfboundariesbug.wmf", { 324, 252 } },
            { "testexception2.doc-2.wmf", { 443, 182 } }, { "60677.wmf", { 1693, 1143 } },
            { "fulltest.wmf", { 1056, 816 } }, { "testchart.wmf", { 1056, 816 } },
            { "testwmf.wmf", { 155, 96 } }, { "simpleemf_windows.emf", { 82, 61 } },
            { "test-165.emf", { 946, 657 } }, { "test-152.emf", { 298, 231 } },
            { "test_mm_twips_ref.emf", { 1122, 794 } }, { "wrench.emf", { 224, 136 } },
            { "jack-sign.emf", { 272, 106 } }, { "milkmateya01.emf", { 755, 1071 } },
            { "fulltest.emf", { 1056, 792 } }, { "test.emf", { 73, 71 } } };
        for (const auto& f : files) {
            const auto picture = loader_.LoadPicture(QDir(kSamples).filePath(f.name), {});
            ASSERT_TRUE(picture) << f.name;
            EXPECT_EQ(picture->naturalSize, f.size) << f.name;
            EXPECT_GT(CountOpaque(picture->image), 100) << f.name;
        }
        const QDir broken(kSamples + QStringLiteral("/corrupted"));
        for (const QString& name : broken.entryList(QDir::Files))
            EXPECT_FALSE(loader_.LoadPicture(broken.filePath(name), {})) << qPrintable(name);
    }

} // namespace
} // namespace gb::platform
