#include "hostilegen/hostile_parts.h"
#include "samplegen/metafile_writers.h"
#include "writers/bitmap_header_writer.h"
#include "writers/byte_packer.h"

namespace gb::tools {

namespace {

    constexpr qsizetype kPlaceableWmfFirstRecord = 22 + 18;
    constexpr qsizetype kEmfFirstRecord = 108;
    constexpr quint16 kWmfRectangle = 0x041B, kWmfPolygon = 0x0324, kWmfPolyPolygon = 0x0538,
                      kWmfSelectObject = 0x012D, kWmfDeleteObject = 0x01F0,
                      kWmfCreateBrush = 0x02FC, kWmfStretchDib = 0x0F43, kWmfTextOut = 0x0521,
                      kWmfSetWindowExt = 0x020C, kWmfDibPatternBrush = 0x0142;
    constexpr quint32 kEmfPolygon16 = 86, kEmfPolyPolygon16 = 91, kEmfSelectObject = 37,
                      kEmfDeleteObject = 40, kEmfCreateBrush = 39, kEmfRectangle = 43,
                      kEmfStretchDibits = 81, kEmfTextOutW = 84, kEmfDibPatternBrush = 94;

    // One inch square at 1440 units per inch: 96 x 96 pixels, a filled rectangle on it.
    WmfWriter InchWmf()
    {
        WmfWriter w(QRect(0, 0, 1440, 1440), 1440);
        w.Add(kWmfRectangle, { 1200, 1200, 200, 200 });
        return w;
    }

    EmfWriter InchEmf()
    {
        EmfWriter e(QRect(0, 0, 2540, 2540));
        e.Add(kEmfRectangle, { 10, 10, 80, 80 });
        return e;
    }

    QByteArray WithU32(QByteArray file, qsizetype at, quint32 value)
    {
        SetLe32(file, at, value);
        return file;
    }

    // A 24-bit packed DIB claiming `width` x `height` over 16 bytes of pixels, of no stated size
    // or resolution.
    QByteArray PackedDibClaiming(qint32 width, qint32 height)
    {
        DibSpec spec { 40, width, height, 24, kBiRgb, 1, {}, {}, 0, QByteArray(16, '\x7f') };
        spec.imageBytes = 0;
        spec.pixelsPerMetre = 0;
        return WriteDib(spec, false);
    }

    // A 4096 x 4096 RLE8 bitmap that ends at once: 50 bytes for 16 million pixels.
    QByteArray EmptyRleDib()
    {
        DibSpec spec { 40, 4096, 4096, 8, kBiRle8, 1, {}, { qRgb(0, 0, 0), qRgb(255, 255, 255) }, 2,
            QByteArray("\0\x01", 2) }; // the end-of-bitmap code
        spec.pixelsPerMetre = 0;
        return WriteDib(spec, false);
    }

    void AddPatternBombs(QList<HostileFile>& corpus)
    {
        constexpr int kBrushes = 48;
        WmfWriter wmf = InchWmf();
        for (int i = 0; i < kBrushes; ++i)
            wmf.AddRaw(kWmfDibPatternBrush, Words({ 5, 0 }) + EmptyRleDib());
        wmf.Add(kWmfSelectObject, { kBrushes - 1 }).Add(kWmfRectangle, { 1400, 1400, 0, 0 });
        corpus.append({ "wmf-pattern-brush-bomb.wmf", wmf.Finish(kBrushes), HostileOutcome::Either,
            "48 pattern brushes, each a 50-byte RLE8 bitmap of 4096 x 4096, all kept" });
        EmfWriter emf = InchEmf();
        for (int i = 0; i < kBrushes; ++i)
            emf.AddRaw(kEmfDibPatternBrush, Dwords({ i + 1, 0, 32, 48, 80, 2 }) + EmptyRleDib());
        emf.Add(kEmfSelectObject, { kBrushes }).Add(kEmfRectangle, { 0, 0, 90, 90 });
        corpus.append(
            { "emf-pattern-brush-bomb.emf", emf.Finish(kBrushes + 1), HostileOutcome::Either,
                "48 pattern brushes, each a 50-byte RLE8 bitmap of 4096 x 4096, all kept" });
    }

    void AddBrokenWmf(QList<HostileFile>& corpus)
    {
        const auto fails = HostileOutcome::Fails;
        const auto either = HostileOutcome::Either;
        const QByteArray inch = InchWmf().Finish(0);
        const qsizetype record = kPlaceableWmfFirstRecord;
        corpus.append({ "wmf-record-size-0.wmf", WithU32(inch, record, 0), fails,
            "WMF whose first record is 0 words long" });
        corpus.append({ "wmf-record-size-2.wmf", WithU32(inch, record, 2), fails,
            "WMF whose first record is shorter than its own size and function" });
        corpus.append({ "wmf-record-past-end.wmf", WithU32(inch, record, 0x7fffffff), fails,
            "WMF whose first record claims 4 GB" });
        QByteArray zeroInch = inch;
        SetLe16(zeroInch, 14, 0);
        corpus.append({ "wmf-zero-units-per-inch.wmf", zeroInch, fails,
            "placeable WMF of 0 units per inch" });
        WmfWriter hugeBox(QRect(-32768, -32768, 65535, 65535), 1);
        hugeBox.Add(kWmfRectangle, { 30000, 30000, -30000, -30000 });
        corpus.append({ "wmf-box-65535-inches.wmf", hugeBox.Finish(0), either,
            "placeable WMF of 65535 x 65535 inches, capped to 8192 pixels a side" });
        WmfWriter noSize;
        noSize.Add(kWmfSetWindowExt, { 0, 0 }).Add(kWmfRectangle, { 10, 10, 0, 0 });
        corpus.append({ "wmf-window-ext-zero.wmf", noSize.Finish(0), fails,
            "plain WMF whose window extent is 0 x 0" });
    }

    void AddLyingWmfRecords(QList<HostileFile>& corpus)
    {
        const auto either = HostileOutcome::Either;
        corpus.append({ "wmf-polygon-count-32767.wmf",
            InchWmf().Add(kWmfPolygon, { 32767, 0, 0, 100, 0, 100, 100 }).Finish(0), either,
            "POLYGON claiming 32767 points, holding three" });
        corpus.append({ "wmf-polypolygon-65535.wmf",
            InchWmf().Add(kWmfPolyPolygon, { 65535, 65535, 65535, 0, 0 }).Finish(0), either,
            "POLYPOLYGON claiming 65535 polygons of 65535 points" });
        WmfWriter objects = InchWmf();
        objects.AddRaw(kWmfCreateBrush, Words({ 0, 255, 0, 0 }));
        objects.Add(kWmfSelectObject, { 65535 }).Add(kWmfDeleteObject, { 40000 });
        objects.Add(kWmfSelectObject, { 1 }).Add(kWmfDeleteObject, { 1 });
        objects.Add(kWmfRectangle, { 100, 100, 0, 0 });
        corpus.append({ "wmf-object-index-out-of-range.wmf", objects.Finish(1), either,
            "a one-slot object table with objects 1, 40000 and 65535 selected and deleted" });
        WmfWriter overflow = InchWmf();
        for (int i = 0; i < 8; ++i)
            overflow.AddRaw(kWmfCreateBrush, Words({ 0, 255, 0, 0 }));
        corpus.append({ "wmf-object-table-full.wmf", overflow.Finish(2), either,
            "eight objects created in a table of two" });
        corpus.append({ "wmf-objects-65535.wmf", InchWmf().Finish(65535), either,
            "header claiming an object table of 65535 slots" });
        corpus.append({ "wmf-stretchdib-65535.wmf",
            InchWmf()
                .AddRaw(kWmfStretchDib,
                    Dwords({ 0xCC0020 }) + Words({ 0, 65535, 65535, 0, 0, 100, 100, 0, 0 })
                        + PackedDibClaiming(65535, 65535))
                .Finish(0),
            either, "STRETCHDIB of a bitmap claiming 65535 x 65535" });
        corpus.append({ "wmf-textout-65535.wmf",
            InchWmf().AddRaw(kWmfTextOut, Words({ 65535 }) + "abcd" + Words({ 10, 10 })).Finish(0),
            either, "TEXTOUT claiming 65535 characters, holding four" });
    }

    void AddBrokenEmf(QList<HostileFile>& corpus)
    {
        const auto fails = HostileOutcome::Fails;
        const auto either = HostileOutcome::Either;
        const QByteArray inch = InchEmf().Finish(1);
        const qsizetype size = kEmfFirstRecord + 4;
        corpus.append({ "emf-record-size-0.emf", WithU32(inch, size, 0), fails,
            "EMF whose first record is 0 bytes long" });
        corpus.append({ "emf-record-size-10.emf", WithU32(inch, size, 10), fails,
            "EMF whose first record is 10 bytes, not a multiple of 4" });
        corpus.append({ "emf-record-past-end.emf", WithU32(inch, size, 0x7ffffff0), fails,
            "EMF whose first record claims 2 GB" });
        corpus.append({ "emf-header-size-huge.emf", WithU32(inch, 4, 0xfffffff0u), fails,
            "EMF whose header record claims 4 GB" });
        corpus.append({ "emf-frame-inverted.emf", WithU32(inch, 32, 0xfffff000u), fails,
            "EMF whose frame ends before it starts" });
        corpus.append(
            { "emf-frame-2e31.emf", WithU32(WithU32(inch, 32, 0x7fffffff), 36, 0x7fffffff), either,
                "EMF frame of 2^31 hundredths of a millimetre, capped to 8192 pixels a side" });
        corpus.append({ "emf-device-2e31.emf", WithU32(inch, 72, 0x7fffffff), either,
            "reference device 2^31 pixels wide and 508 mm" });
        corpus.append({ "emf-handles-65535.emf", WithU32(inch, 56, 0xffff), either,
            "header claiming 65535 object handles" });
    }

    void AddLyingEmfRecords(QList<HostileFile>& corpus)
    {
        const auto either = HostileOutcome::Either;
        corpus.append({ "emf-polygon16-2e31.emf",
            InchEmf()
                .AddRaw(kEmfPolygon16, Dwords({ 0, 0, 0, 0, 0x7fffffff }) + Words({ 0, 0, 50, 50 }))
                .Finish(1),
            either, "POLYGON16 claiming 2^31 - 1 points, holding two" });
        corpus.append({ "emf-polypolygon16-2e31.emf",
            InchEmf()
                .Add(kEmfPolyPolygon16, { 0, 0, 0, 0, 0x7fffffff, -1, 0x7fffffff, 3 })
                .Finish(1),
            either, "POLYPOLYGON16 claiming 2^31 - 1 polygons and 2^32 - 1 points" });
        EmfWriter objects = InchEmf();
        objects.Add(kEmfCreateBrush, { 0x7ffffff0, 0, 0xff, 0 });
        objects.Add(kEmfSelectObject, { 0x7ffffff0 }).Add(kEmfSelectObject, { -1 });
        objects.Add(kEmfDeleteObject, { -1 }).Add(kEmfDeleteObject, { 0x7ffffff0 });
        objects.Add(kEmfRectangle, { 0, 0, 50, 50 });
        corpus.append({ "emf-object-index-out-of-range.emf", objects.Finish(2), either,
            "objects 2^31 - 16 and 2^32 - 1 created, selected and deleted in a table of two" });
    }

    void AddLyingEmfPayloads(QList<HostileFile>& corpus)
    {
        const auto either = HostileOutcome::Either;
        corpus.append({ "emf-stretchdibits-offsets.emf",
            InchEmf()
                .Add(kEmfStretchDibits,
                    { 0, 0, 0, 0, 0, 0, 0, 0, 4, 4, -16, -1, 200, -1, 0, 0xCC0020, 50, 50 })
                .Finish(1),
            either, "STRETCHDIBITS whose bitmap offsets and sizes point 4 GB away" });
        const QByteArray dib = PackedDibClaiming(65535, 65535);
        corpus.append({ "emf-stretchdibits-65535.emf",
            InchEmf()
                .AddRaw(kEmfStretchDibits,
                    Dwords({ 0, 0, 0, 0, 0, 0, 0, 0, 65535, 65535, 80, 40, 120,
                        qint32(dib.size()) - 40, 0, 0xCC0020, 50, 50 })
                        + dib)
                .Finish(1),
            either, "STRETCHDIBITS of a bitmap claiming 65535 x 65535" });
        corpus.append({ "emf-textout-2e31.emf",
            InchEmf()
                .AddRaw(kEmfTextOutW,
                    Dwords({ 0, 0, 0, 0, 1, 0, 0, 10, 10, 0x7fffffff, 76, 0, 0, 0, 0, 0, 0 })
                        + QByteArray("a\0b\0", 4))
                .Finish(1),
            either, "EXTTEXTOUTW claiming 2^31 - 1 characters, holding two" });
    }

} // namespace

void AddMetafileFiles(QList<HostileFile>& corpus)
{
    const QByteArray wmf = WriteSampleWmf();
    AddCuts(corpus, "wmf", "wmf", wmf, "placeable WMF of 400 x 300 pixels",
        { { 10, HostileOutcome::Fails, "half the placeable header" },
            { 22, HostileOutcome::Fails, "all but the placeable header" },
            { kPlaceableWmfFirstRecord, HostileOutcome::Either, "every record" },
            { wmf.size() / 2, HostileOutcome::Either, "half the records" },
            { -6, HostileOutcome::Either, "the end-of-file record" },
            { -1, HostileOutcome::Either, "the last byte" } });
    const QByteArray emf = WriteSampleEmf();
    AddCuts(corpus, "emf", "emf", emf, "EMF of 378 x 227 pixels",
        { { 40, HostileOutcome::Fails, "all from the signature on" },
            { 88, HostileOutcome::Fails, "the end of the header record" },
            { kEmfFirstRecord, HostileOutcome::Either, "every record" },
            { emf.size() / 2, HostileOutcome::Either, "half the records" },
            { -20, HostileOutcome::Either, "the end-of-file record" },
            { -1, HostileOutcome::Either, "the last byte" } });
    AddBrokenWmf(corpus);
    AddLyingWmfRecords(corpus);
    AddBrokenEmf(corpus);
    AddLyingEmfRecords(corpus);
    AddLyingEmfPayloads(corpus);
    AddPatternBombs(corpus);
}

} // namespace gb::tools
