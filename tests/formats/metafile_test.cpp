// WMF and EMF files built record by record, played straight from their bytes.
#include "formats/metafile_loader.h"
#include "formats/metafile_records.h"
#include "formats/metafile_text.h"
#include "samplegen/image_writers.h"
#include "samplegen/metafile_writers.h"

#include <gtest/gtest.h>

namespace gb::formats {
namespace {

    using namespace gb::tools;
    using W = WmfFunction;
    using E = EmfRecord;
    // The writers take record numbers; +W::Rectangle is the number of the named record.
    constexpr qint32 operator+(W f) { return qint32(f); }
    constexpr qint32 operator+(E r) { return qint32(r); }

    constexpr qint32 kRed = 0x0000ff, kBlue = 0xff0000, kGreen = 0x00ff00,
                     kNullPen = qint32(0x80000008u);

    std::optional<LoadedPicture> Load(const QByteArray& bytes, QSize reduceFor = {})
    {
        return MetafileLoader::Load(bytes, PictureOptions { false, reduceFor });
    }
    QImage Draw(const QByteArray& bytes) { return Load(bytes).value_or(LoadedPicture {}).image; }

    // WMF records that make an object in slot 0, select it and free the slot again.
    WmfWriter& Use(WmfWriter& w, W make, const QList<qint32>& words)
    {
        return w.Add(+make, words).Add(+W::SelectObject, { 0 }).Add(+W::DeleteObject, { 0 });
    }
    WmfWriter& UseBrush(WmfWriter& w, qint32 colour)
    {
        return Use(w, W::CreateBrushIndirect, { 0, colour & 0xffff, colour >> 16, 0 });
    }
    WmfWriter& NoPen(WmfWriter& w) { return Use(w, W::CreatePenIndirect, { 5, 0, 0, 0, 0 }); }
    EmfWriter& EmfBrush(EmfWriter& e, qint32 slot, qint32 colour)
    {
        return e.Add(+E::CreateBrushIndirect, { slot, 0, colour, 0 })
            .Add(+E::SelectObject, { slot });
    }
    // 100 x 100 pixels: a placeable box of 100 units at 96 per inch, or an EMF frame of 2647
    // hundredths of a millimetre at 96 DPI.
    WmfWriter Wmf100() { return WmfWriter(QRect(0, 0, 100, 100), 96); }
    EmfWriter Emf100() { return EmfWriter(QRect(0, 0, 2647, 2647)); }

    struct Pixel {
        int x, y;
        QColor want = Qt::transparent; // nothing drawn there
    };
    void ExpectPixels(const QImage& image, std::initializer_list<Pixel> pixels)
    {
        ASSERT_FALSE(image.isNull());
        for (const Pixel& p : pixels) { // opaque and within a few steps of the colour, or clear
            const QColor got = image.pixelColor(p.x, p.y), want = p.want;
            const int off = qAbs(got.red() - want.red()) + qAbs(got.green() - want.green())
                + qAbs(got.blue() - want.blue());
            EXPECT_TRUE(got.alpha() == want.alpha() && (!want.alpha() || off < 16))
                << "at " << p.x << "," << p.y << ": " << std::hex << got.rgba();
        }
    }
    const QColor kClear = Qt::transparent;

    // The bounding box of the pixels drawn at least half opaque.
    QRect Inked(const QImage& image)
    {
        QRect inked;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 128)
                    inked |= QRect(x, y, 1, 1);
        return inked;
    }

    // EXTTEXTOUTW at (10, 10), top-left aligned, in black.
    QImage DrawText(const QString& face, qint32 height, const QString& text, qint32 weight = 400,
        qint32 charset = 0)
    {
        EmfWriter t = Emf100();
        t.Add(+E::SetBkMode, { 1 }).Font(1, height, face, weight, charset);
        t.Add(+E::SelectObject, { 1 }).Text(10, 10, text);
        return Draw(t.Finish(2));
    }

    TEST(WmfTest, DrawsShapesWithTheSelectedPenAndBrush)
    {
        WmfWriter w = Wmf100();
        NoPen(w);
        UseBrush(w, kRed).Add(+W::Rectangle, { 50, 50, 10, 10 }); // bottom, right, top, left
        UseBrush(w, kBlue).Add(+W::Ellipse, { 95, 95, 55, 55 });
        Use(w, W::CreatePenIndirect, { 0, 6, 0, 0, 0 }); // solid, 6 wide, black
        UseBrush(w, kGreen).Add(+W::Polygon, { 3, 60, 10, 90, 10, 90, 40 }); // a triangle
        const QImage image = Draw(w.Finish(1));
        EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
        ExpectPixels(image,
            { { 30, 30, Qt::red }, { 75, 75, Qt::blue }, { 57, 57, kClear }, { 85, 15, Qt::green },
                { 75, 10, Qt::black }, { 65, 35, kClear }, { 5, 95, kClear } });
    }

    // The natural size from the placeable box or the window, capped at 8192 a side; a thumbnail
    // is drawn at twice the box it fits, with the window mapped onto the whole of it, and no
    // picture beyond three quarters of the decoding budget.
    TEST(WmfTest, TheWindowMapsOntoThePictureAtItsSize)
    {
        WmfWriter plain; // a window of 200 x 100 units from (1000, 1000): 200 x 100 pixels
        plain.Add(+W::SetWindowOrg, { 1000, 1000 }).Add(+W::SetWindowExt, { 100, 200 });
        UseBrush(NoPen(plain), kRed).Add(+W::Rectangle, { 1100, 1100, 1000, 1000 });
        // 2880 units at 1440 per inch: two inches, 192 pixels; the window doubles it again, set
        // at half and scaled by 2/1 (a scale with a zero denominator is ignored).
        WmfWriter placeable(QRect(0, 0, 2880, 1440), 1440);
        placeable.Add(+W::SetWindowExt, { 360, 720 }).Add(+W::ScaleWindowExt, { 1, 2, 1, 2 });
        placeable.Add(+W::ScaleWindowExt, { 0, 3, 1, 1 });
        UseBrush(NoPen(placeable), kBlue).Add(+W::Rectangle, { 360, 720, 0, 0 });
        const std::tuple<QByteArray, QSize, QSize, QSize, Pixel, Pixel> cases[] = {
            { plain.Finish(1), {}, { 200, 100 }, { 200, 100 }, { 50, 50, Qt::red }, { 150, 50 } },
            { plain.Finish(1), { 20, 20 }, { 200, 100 }, { 40, 20 }, { 10, 10, Qt::red },
                { 30, 10 } },
            { placeable.Finish(1), {}, { 192, 96 }, { 192, 96 }, { 90, 40, Qt::blue },
                { 110, 60 } },
            { WmfWriter(QRect(0, 0, 32000, 16000), 96).Finish(0), { 62, 62 }, { 8192, 4096 },
                { 124, 62 }, { 0, 0 }, { 0, 0 } },
            // Full size would take the whole decoding budget, leaving none for its bitmaps.
            { WmfWriter(QRect(0, 0, 32000, 32000), 96).Finish(0), {}, { 8192, 8192 },
                { 7094, 7094 }, { 0, 0 }, { 0, 0 } },
        };
        for (const auto& [bytes, box, natural, size, inside, outside] : cases) {
            const LoadedPicture picture = Load(bytes, box).value();
            EXPECT_EQ(
                std::pair(picture.naturalSize, picture.image.size()), std::pair(natural, size));
            ExpectPixels(picture.image, { inside, outside });
        }
    }

    TEST(WmfTest, ClipRectanglesRegionsAndSavedStates)
    {
        WmfWriter w = Wmf100();
        UseBrush(NoPen(w), kRed).Add(+W::SaveDc, {});
        UseBrush(w, kBlue).Add(+W::IntersectClipRect, { 50, 50, 0, 0 }); // the top-left quarter
        w.Add(+W::RestoreDc, { 2 }); // a level never saved: nothing to restore
        w.Add(+W::Rectangle, { 100, 100, 0, 0 });
        w.Add(+W::RestoreDc, { -1 }).Add(+W::Rectangle, { 100, 100, 60, 60 }); // red, unclipped
        ExpectPixels(
            Draw(w.Finish(1)), { { 25, 25, Qt::blue }, { 75, 25, kClear }, { 80, 80, Qt::red } });

        // A region of two scans, the top-left and the bottom-right quarter, selected as clip.
        WmfWriter r = Wmf100();
        UseBrush(NoPen(r), kBlue);
        r.Add(+W::CreateRegion,
            { 0, 6, 0, 0, 0, 2, 4, 0, 0, 100, 100, 2, 0, 50, 0, 50, 2, 2, 50, 100, 50, 100, 2 });
        r.Add(+W::SelectClipRegion, { 0 }).Add(+W::Rectangle, { 100, 100, 0, 0 });
        ExpectPixels(Draw(r.Finish(1)),
            { { 25, 25, Qt::blue }, { 75, 75, Qt::blue }, { 75, 25, kClear }, { 25, 75, kClear } });
    }

    TEST(WmfTest, BitmapsAreStretchedOverTheirTargetInTheirOwnColours)
    {
        QImage rgb(2, 2, QImage::Format_RGB32);
        rgb.setPixel(0, 0, qRgb(255, 0, 0)), rgb.setPixel(1, 0, qRgb(0, 255, 0));
        rgb.setPixel(0, 1, qRgb(0, 0, 255)), rgb.setPixel(1, 1, qRgb(255, 255, 0));
        WmfWriter w = Wmf100();
        // rop, source height, width, y, x, target height, width, y, x, bitmap.
        w.AddRaw(+W::DibStretchBlt,
            Dwords({ kSrcCopy }) + Words({ 2, 2, 0, 0, 80, 80, 10, 10 }) + WriteHeaderlessDib(rgb));
        ExpectPixels(Draw(w.Finish(0)),
            { { 20, 20, Qt::red }, { 80, 20, Qt::green }, { 20, 80, Qt::blue },
                { 80, 80, Qt::yellow }, { 5, 5, kClear } });

        // 8 x 2 pixels, 1 bpp: palette entry 0 blue, 1 yellow; the top row is the last stored.
        const QByteArray dib = WriteDib(
            { 40, 8, 2, 1, 0, 1, {}, { 0xff0000ff, 0xffffff00 }, 2, Dwords({ 0x0f, 0xf0 }) },
            false);
        WmfWriter m = Wmf100();
        // rop, colour usage, then as above.
        m.AddRaw(
            +W::StretchDib, Dwords({ kSrcCopy }) + Words({ 0, 2, 8, 0, 0, 100, 100, 0, 0 }) + dib);
        ExpectPixels(Draw(m.Finish(0)),
            { { 20, 20, Qt::yellow }, { 80, 20, Qt::blue }, { 20, 80, Qt::blue },
                { 80, 80, Qt::yellow } });
    }

    TEST(EmfTest, DrawsShapesPolygonsAndPathsInDeviceUnits)
    {
        EmfWriter e = Emf100();
        e.Add(+E::SelectObject, { kNullPen });
        EmfBrush(e, 1, kRed).Add(+E::Rectangle, { 10, 10, 50, 50 });
        EmfBrush(e, 2, kBlue).Add(+E::Ellipse, { 55, 55, 95, 95 });
        EmfBrush(e, 1, kRed); // the slot is reused for a new brush
        e.AddRaw(+E::Polygon, Dwords({ 0, 0, 0, 0, 4, 88, 88, 99, 88, 99, 99, 88, 99 }));
        EmfBrush(e, 1, kGreen);
        e.AddRaw(+E::Polygon16, Dwords({ 0, 0, 0, 0, 3 }) + Words({ 60, 10, 90, 10, 90, 40 }));
        e.Add(+E::BeginPath, {}).Add(+E::MoveToEx, { 10, 60 }).Add(+E::LineTo, { 40, 60 });
        e.Add(+E::LineTo, { 10, 90 }).Add(+E::CloseFigure, {}).Add(+E::EndPath, {});
        e.Add(+E::FillPath, { 0, 0, 0, 0 });
        // A black pen 4 wide; a polyline draws from its first point, not the current position.
        e.Add(+E::CreatePen, { 2, 0, 4, 0, 0 }).Add(+E::SelectObject, { 2 });
        e.Add(+E::MoveToEx, { 99, 0 })
            .AddRaw(+E::Polyline16, Dwords({ 0, 0, 0, 0, 2 }) + Words({ 5, 97, 50, 97 }));
        EXPECT_EQ(Load(e.Finish(3)).value().naturalSize, QSize(100, 100));
        ExpectPixels(Draw(e.Finish(3)),
            { { 30, 30, Qt::red }, { 75, 75, Qt::blue }, { 93, 93, Qt::red }, { 85, 15, Qt::green },
                { 65, 35, kClear }, { 15, 65, Qt::green }, { 35, 85, kClear },
                { 30, 97, Qt::black }, { 52, 48, kClear } });
        // A shape of straight lines reaching far past the picture is drawn all the same.
        EmfWriter far = EmfBrush(Emf100().Add(+E::SelectObject, { kNullPen }), 1, kRed);
        ExpectPixels(Draw(far.Add(+E::Rectangle, { 50, 50, 1 << 30, 1 << 30 }).Finish(2)),
            { { 75, 75, Qt::red }, { 25, 25 } });
        for (const E kind : { E::Pie, E::Chord }) { // a chord leaves out the centre, a pie not
            EmfWriter p = Emf100();
            EmfBrush(p.Add(+E::SelectObject, { kNullPen }), 1, kRed);
            p.Add(+kind, { 0, 0, 100, 100, 100, 50, 50, 0 });
            const QColor centre = kind == E::Pie ? Qt::red : Qt::transparent;
            ExpectPixels(
                Draw(p.Finish(2)), { { 85, 25, Qt::red }, { 70, 30, centre }, { 30, 70 } });
        }
        // Radials that meet make a whole ellipse; here in the light grey stock brush.
        EmfWriter whole = Emf100();
        whole.Add(+E::SelectObject, { kNullPen }).Add(+E::SelectObject, { qint32(0x80000001u) });
        whole.Add(+E::Pie, { 0, 0, 100, 100, 100, 50, 100, 50 });
        ExpectPixels(Draw(whole.Finish(0)), { { 30, 70, QColor(192, 192, 192) }, { 2, 2 } });
    }

    // A positive height is the cell's, so the letters come out smaller than at the same negative
    // (character) height.
    TEST(EmfTest, TextAtItsHeightInItsFont)
    {
        const QRect character = Inked(DrawText({}, -50, "H")), cell = Inked(DrawText({}, 50, "H"));
        EXPECT_TRUE(cell.height() < character.height() && character.height() > 25
            && character.left() >= 8 && character.top() >= 8)
            << cell.height() << " " << character.height();
        const QRect iii = Inked(DrawText({}, -50, "iii"));
        EXPECT_GT(Inked(DrawText("Monospace", -50, "iii")).width(), 3 * iii.width() / 2);
        EXPECT_GT(Inked(DrawText({}, -50, "H", 800)).width(), character.width()); // bold
    }

    // Bitmaps in their own colours; blits and pens that mix with the picture find white paper
    // where nothing is drawn yet.
    TEST(EmfTest, RasterOperationsReadBlankPictureAsWhite)
    {
        QImage whiteRed(2, 1, QImage::Format_RGB32);
        whiteRed.setPixel(0, 0, qRgb(255, 255, 255)), whiteRed.setPixel(1, 0, qRgb(255, 0, 0));
        const QByteArray packed = WriteHeaderlessDib(whiteRed);
        const auto blit = [&](EmfWriter e, qint32 rop) { // STRETCHDIBITS over (0, 0)-(100, 50)
            const qint32 bits = qint32(packed.size()) - 40;
            const QList fields { 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 80, 40, 120, bits, 0, rop, 100, 50 };
            return e.AddRaw(+E::StretchDiBits, Dwords(fields) + packed).Finish(2);
        };
        // A red box to x = 72 in a black outline 10 wide, or with a red brush a PATBLT up top.
        const auto wmf = [](qint32 rop2, qint32 patBlt = 0) {
            WmfWriter w = Wmf100();
            UseBrush(Use(w, W::CreatePenIndirect, { 0, 10, 0, 0, 0 }), kRed)
                .Add(+W::SetRop2, { rop2 });
            const QByteArray top = Dwords({ patBlt }) + Words({ 50, 100, 0, 0 });
            return (patBlt ? w.AddRaw(+W::PatBlt, top) : w.Add(+W::Rectangle, { 50, 72, 0, 0 }))
                .Finish(1);
        };
        const EmfWriter blue = EmfBrush(Emf100().Add(+E::SelectObject, { kNullPen }), 1, kBlue)
                                   .Add(+E::Rectangle, { 0, 0, 100, 100 });
        // At (25, 25) and (75, 25); the bottom half stays as it was.
        const std::tuple<QByteArray, QColor, QColor, QColor> cases[] = {
            { blit(Emf100(), kSrcCopy), Qt::white, Qt::red, kClear },
            { blit(Emf100(), 0x8800C6), Qt::white, Qt::red, kClear }, // SRCAND
            { blit(blue, 0x8800C6), Qt::blue, Qt::black, Qt::blue },
            { blit(Emf100(), 0x660046), Qt::black, Qt::cyan, kClear }, // SRCINVERT
            { blit(Emf100(), 0x330008), Qt::black, Qt::cyan, kClear }, // NOTSRCCOPY
            { wmf(13, 0x550009), Qt::black, Qt::black, kClear }, // DSTINVERT
            { wmf(13, 0x5A0049), Qt::cyan, Qt::cyan, kClear }, // PATINVERT
            { wmf(13, 0x000042), Qt::black, Qt::black, kClear }, // BLACKNESS
            { wmf(13, 0xAA0029), kClear, kClear, kClear }, // the picture left alone
            { wmf(1), Qt::black, Qt::black, kClear }, // R2_BLACK
            { wmf(6), Qt::black, Qt::black, kClear }, // R2_NOT
            { wmf(16), Qt::white, Qt::white, kClear }, // R2_WHITE
            { wmf(17), Qt::red, Qt::black, kClear }, // none: drawn as it is
        };
        for (const auto& [bytes, left, right, below] : cases)
            ExpectPixels(Draw(bytes), { { 25, 25, left }, { 75, 25, right }, { 50, 75, below } });
    }

    // An 8 x 8 one-bit pattern, 0 bits on the left half, 1 bits on the right, fills the picture
    // with red text and blue background colours set: a brush with no colours of its own, and any
    // monochrome brush, takes those (a colour table nearer white than black for 0 swaps them).
    TEST(EmfTest, MonochromePatternsTakeTheTextAndBackgroundColours)
    {
        const auto fill = [](E type, qint32 usage, const QList<QRgb>& table) {
            const QByteArray rows = QByteArray("\x0f\0\0\0", 4).repeated(8);
            const QByteArray dib
                = WriteDib({ 40, 8, 8, 1, 0, 1, {}, table, int(table.size()), rows, {} }, false);
            const qint32 info = 40 + 4 * qint32(table.size());
            EmfWriter e = Emf100();
            e.Add(+E::SetTextColor, { kRed }).Add(+E::SetBkColor, { kBlue });
            e.AddRaw(+type, Dwords({ 1, usage, 32, info, 32 + info, 32 }) + dib);
            e.Add(+E::SelectObject, { 1 }).Add(+E::SelectObject, { kNullPen });
            return Draw(e.Add(+E::Rectangle, { 0, 0, 100, 100 }).Finish(2));
        };
        const QRgb green = qRgb(0, 255, 0), white = qRgb(255, 255, 255), black = 0xff000000;
        const std::tuple<const char*, QImage, QColor, QColor> cases[] = {
            { "mono, no table", fill(E::CreateMonoBrush, 2, {}), Qt::red, Qt::blue },
            { "pattern, no table", fill(E::CreateDibPatternBrushPt, 0, {}), Qt::red, Qt::blue },
            { "pattern, own colours", fill(E::CreateDibPatternBrushPt, 0, { green, white }),
                Qt::green, Qt::white },
            { "mono, white first", fill(E::CreateMonoBrush, 0, { white, black }), Qt::blue,
                Qt::red },
        };
        for (const auto& [name, image, left, right] : cases) {
            SCOPED_TRACE(name);
            ExpectPixels(image, { { 9, 50, left }, { 14, 50, right } });
        }
    }

    // A frame none of the shapes fall in: the header's bounds place the drawing instead.
    TEST(EmfTest, RecordsOutsideTheFrameAreDrawnByTheBounds)
    {
        EmfWriter outside(QRect(0, 0, 2647, 2647), QRect(200, 200, 100, 100));
        EmfBrush(outside.Add(+E::SelectObject, { kNullPen }), 1, kRed) // the bounds' right half
            .Add(+E::Rectangle, { 250, 200, 300, 300 });
        EmfWriter both = EmfWriter(outside).Add(+E::Rectangle, { 0, 0, 20, 20 });
        ExpectPixels(Draw(outside.Finish(2)), { { 50, 50, Qt::red }, { 49, 50 } });
        ExpectPixels(Draw(both.Finish(2)), { { 10, 10, Qt::red }, { 75, 50 } });
        // A title in the frame keeps no shape outside it from showing: placed by the bounds that
        // hold the shapes, else by what the records drew (title and square here).
        for (const QRect bounds : { QRect(0, 0, 301, 301), QRect(0, 0, 100, 100) }) {
            EmfWriter titled(QRect(0, 0, 2647, 2647), bounds);
            titled.Font(1, -10, {}).Add(+E::SelectObject, { 1 }).Text(5, 5, "Title");
            EmfBrush(titled.Add(+E::SelectObject, { kNullPen }), 2, kRed)
                .Add(+E::Rectangle, { 200, 200, 300, 300 });
            ExpectPixels(Draw(titled.Finish(3)), { { 80, 80, Qt::red }, { 50, 50 } });
        }
    }

    // A circle spilling out of the window is drawn whole, the area it covers filling the picture
    // as on Windows; a drawing inside its window keeps the window (the other tests).
    TEST(WmfTest, ShapesSpillingOutOfTheWindowAreFittedInWhole)
    {
        WmfWriter w = Wmf100();
        UseBrush(NoPen(w), kRed).Add(+W::Ellipse, { 130, 130, 30, 30 }); // bottom, right, top, left
        ExpectPixels(Draw(w.Finish(1)),
            { { 50, 50, Qt::red }, { 3, 50, Qt::red }, { 50, 96, Qt::red }, { 4, 4 } });
    }

    TEST(MetafileTest, SymbolFontTextIsDrawnAsTheSignsItStandsFor)
    {
        EXPECT_EQ(MetafileText::FromSymbol(u"acA£³°´Ö\uF061\uF020\uF0D6\u0100"_qs),
            u"αχΑ≤≥°×√α √\u0100"_qs);
        const QImage alpha = DrawText({}, -40, u"α"_qs); // named Symbol or in its character set
        EXPECT_NE(MetafileText::PictureFont({ .face = u"Symbol"_qs }, 9).family(), u"Symbol"_qs);
        EXPECT_EQ(DrawText("SYMBOL", -40, "a"), alpha);
        EXPECT_EQ(DrawText("Wingding", -40, u"\uF061"_qs, 400, 2), alpha);
        EXPECT_NE(DrawText({}, -40, "a"), alpha);
    }

    // Counts that claim more than a record holds, headers cut short; the hostile corpus adds
    // huge counts, record sizes and headers that lie, frames of no size.
    TEST(MetafileTest, BrokenFilesFail)
    {
        const QByteArray cases[] = { WmfWriter().Finish(0),
            Wmf100().Add(+W::Rectangle, { 50, 50, 10, 10 }).Finish(0).left(30),
            Emf100().Finish(0).left(60),
            Emf100().AddRaw(+E::Polygon16, Dwords({ 0, 0, 0, 0, 1000, 1 })).Finish(0) };
        for (size_t i = 0; i < std::size(cases); ++i)
            EXPECT_FALSE(Load(cases[i])) << i;
    }

    // Playing is given up on once the records and their drawing have done a fixed amount of
    // work, however fast the machine: a million records that draw nothing, or a bitmap stretched
    // over a canvas of 7094 x 7094 pixels (a 16384-pixel frame, reduced) five times.
    TEST(MetafileTest, FilesAskingForTooMuchWorkFail)
    {
        QByteArray endless = Wmf100().Finish(0).chopped(6); // no EOF record
        for (int i = 0; i < 1000001; ++i)
            endless += Words({ 3, 0, 0x0035 }); // REALIZEPALETTE
        QImage red(2, 2, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QByteArray packed = tools::WriteHeaderlessDib(red);
        const QList<qint32> stretch { 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 40, 120, 16, 0,
            qint32(kSrcCopy), 16384, 16384 };
        const auto stretched = [&](int times) {
            EmfWriter e(QRect(0, 0, 433493, 433493));
            for (int i = 0; i < times; ++i)
                e.AddRaw(+E::StretchDiBits, Dwords(stretch) + packed);
            return e.Finish(0);
        };
        EXPECT_FALSE(Load(endless));
        EXPECT_FALSE(Load(stretched(5)));
        EXPECT_EQ(Load(stretched(4)).value().image.size(), QSize(7094, 7094));
        EXPECT_TRUE(Load(WriteSampleWmf()));
        EXPECT_TRUE(Load(WriteSampleEmf()));
    }

} // namespace
} // namespace gb::formats
