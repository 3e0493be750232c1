#include "hostilegen/hostile_parts.h"
#include "samplegen/image_writers.h"
#include "writers/bitmap_header_writer.h"
#include "writers/byte_packer.h"

namespace gb::tools {

namespace {

    struct BmpHeader {
        qint32 width = 1;
        qint32 height = 1;
        int bits = 24;
        int compression = kBiRgb;
        qint32 coloursUsed = 0;
        int paletteEntries = 0; // palette entries actually written, grey ramp
    };

    // A 14-byte file header and a 40-byte info header, then the palette; `pixels` follows. The
    // pixel offset and file size are what a correct writer would put there.
    QByteArray Bmp(const BmpHeader& h, const QByteArray& pixels)
    {
        QList<QRgb> greys;
        for (int i = 0; i < h.paletteEntries; ++i) {
            const int grey = i * 255 / qMax(1, h.paletteEntries - 1);
            greys.append(qRgb(grey, grey, grey));
        }
        return WriteDib(
            { 40, h.width, h.height, h.bits, h.compression, 1, {}, greys, h.coloursUsed, pixels });
    }

    // About a kilobyte that asks to fill a `side` x `side` picture: full-width lines of long
    // runs, then delta escapes that skip hundreds of lines at a time, then more runs.
    QByteArray RleBomb(qint32 side)
    {
        RleCodes codes;
        for (int line = 0; line < 4; ++line) {
            for (int run = 0; run < 60; ++run)
                codes.Run(255, 1 + (run + line) % 2);
            codes.EndOfLine();
        }
        for (int jump = 0; jump < 40; ++jump)
            codes.Delta(255, 255).Run(255, 1);
        codes.EndOfBitmap();
        return Bmp({ side, side, 8, kBiRle8, 2, 2 }, codes.Bytes());
    }

    void AddRunLengthFiles(QList<HostileFile>& corpus)
    {
        const QImage card = TestCard(40, 30);
        const QByteArray rle8 = WriteRle8Bmp(card);
        AddCuts(corpus, "rle8", "rle", rle8, "40 x 30 RLE8 bitmap",
            { { 14, HostileOutcome::Fails, "file header only" },
                { 54, HostileOutcome::Either, "headers without palette or pixels" },
                { rle8.size() / 2, HostileOutcome::Either, "half the runs" },
                { -2, HostileOutcome::Either, "the end-of-bitmap escape" },
                { -1, HostileOutcome::Either, "the last byte" } });
        const QByteArray rle4 = WriteRle4Bmp(card);
        AddCuts(corpus, "rle4", "rle", rle4, "40 x 30 RLE4 bitmap",
            { { rle4.size() / 2, HostileOutcome::Either, "half the runs" },
                { -1, HostileOutcome::Either, "the last byte" } });

        corpus.append({ "rle8-bomb-65535.rle", RleBomb(65535), HostileOutcome::Fails,
            "1 KB of RLE8 runs and delta escapes claiming 65535 x 65535 pixels" });
        corpus.append({ "rle8-bomb-8192.rle", RleBomb(8192), HostileOutcome::Either,
            "1 KB of RLE8 runs and delta escapes for 8192 x 8192, just inside the size limit" });

        RleCodes few; // 254 bytes in all, as small as a real one that was once allocated in full
        for (int i = 0; i < 33; ++i)
            few.Run(255, 0x12).EndOfLine();
        few.Run(2, 0x12).EndOfBitmap();
        corpus.append({ "rle4-bomb-2554x18803.rle",
            Bmp({ 2554, 18803, 4, kBiRle4, 16, 16 }, few.Bytes()), HostileOutcome::Fails,
            "254-byte RLE4 claiming 2554 x 18803 pixels (200 MB decoded)" });

        RleCodes overrun;
        overrun.Run(255, 1).Literal(200, QByteArray(200, '\x01')).Run(255, 1).EndOfLine();
        overrun.Delta(255, 255).Run(255, 1).Delta(0, 1).Literal(255, QByteArray(255, '\x01'));
        corpus.append({ "rle8-overrun.rle", Bmp({ 8, 4, 8, kBiRle8, 2, 2 }, overrun.Bytes()),
            HostileOutcome::Either,
            "8 x 4 RLE8 whose runs, literals and deltas all reach past the picture" });
        corpus.append({ "rle4-overrun.rle", Bmp({ 8, 4, 4, kBiRle4, 2, 2 }, overrun.Bytes()),
            HostileOutcome::Either, "the same codes as an 8 x 4 RLE4 bitmap" });
        RleCodes endless;
        for (int i = 0; i < 200; ++i)
            endless.Run(255, 1);
        corpus.append({ "rle8-no-end.rle", Bmp({ 16, 16, 8, kBiRle8, 2, 2 }, endless.Bytes()),
            HostileOutcome::Either, "16 x 16 RLE8 of runs with no line or bitmap end" });
        RleCodes literalPastEnd;
        literalPastEnd.Literal(255, QByteArray(4, '\x01'));
        corpus.append({ "rle8-literal-past-end.rle",
            Bmp({ 255, 1, 8, kBiRle8, 2, 2 }, literalPastEnd.Bytes()), HostileOutcome::Either,
            "RLE8 absolute run of 255 pixels with only 4 in the file" });
    }

    void AddLyingHeaders(QList<HostileFile>& corpus)
    {
        const QByteArray few(64, '\x40');
        const auto fails = HostileOutcome::Fails;
        const auto either = HostileOutcome::Either;
        corpus.append({ "bmp-claims-65535x65535.bmp", Bmp({ 65535, 65535 }, few), fails,
            "24-bit BMP header claiming 65535 x 65535 over 64 bytes of pixels" });
        corpus.append({ "bmp-claims-2e31-wide.bmp", Bmp({ 0x7fffffff, 1 }, few), fails,
            "BMP header claiming 2^31 - 1 pixels wide" });
        corpus.append({ "bmp-claims-2e31-high.bmp", Bmp({ 1, 0x7fffffff }, few), fails,
            "BMP header claiming 2^31 - 1 pixels high" });
        corpus.append(
            { "bmp-claims-minus-2e31-high.bmp", Bmp({ 1, static_cast<qint32>(0x80000000u) }, few),
                fails, "top-down BMP claiming -2^31 lines, whose negation overflows" });
        corpus.append(
            { "bmp-claims-zero-size.bmp", Bmp({ 0, 0 }, few), fails, "BMP header claiming 0 x 0" });
        corpus.append({ "bmp-palette-2e31.bmp", Bmp({ 4, 4, 8, kBiRgb, 0x7fffffff, 2 }, few),
            either, "8-bit BMP claiming 2^31 - 1 palette colours" });
        corpus.append(
            { "bmp-bits-7.bmp", Bmp({ 4, 4, 7 }, few), either, "BMP of 7 bits per pixel" });
        corpus.append({ "bmp-zero-masks.bmp", Bmp({ 4, 4, 32, kBiBitfields }, QByteArray(76, '\0')),
            either, "32-bit BI_BITFIELDS BMP whose three masks are all zero" });

        QByteArray offsetPastEnd = Bmp({ 4, 4 }, few);
        SetLe32(offsetPastEnd, 10, 0xfffffff0u);
        corpus.append({ "bmp-pixels-past-end.bmp", offsetPastEnd, either,
            "BMP whose pixel offset points 4 GB past the end" });
        QByteArray headerSize = Bmp({ 4, 4 }, few);
        SetLe32(headerSize, 14, 0xffffffffu);
        corpus.append({ "bmp-header-size-huge.bmp", headerSize, either,
            "BMP whose info header claims to be 4 GB long" });

        const QByteArray dib = WriteHeaderlessDib(TestCard(4, 4)).first(40) + few;
        QByteArray hugeDib = dib;
        SetLe32(hugeDib, 4, 65535);
        SetLe32(hugeDib, 8, 65535);
        corpus.append({ "dib-claims-65535x65535.dib", hugeDib, fails,
            "headerless DIB claiming 65535 x 65535 over 64 bytes of pixels" });
    }

} // namespace

void AddBitmapFiles(QList<HostileFile>& corpus)
{
    const QImage card = TestCard(40, 30);
    const QByteArray bmp = WriteBmp(card);
    AddCuts(corpus, "bmp", "bmp", bmp, "40 x 30 24-bit BMP",
        { { 2, HostileOutcome::Fails, "all but the signature" },
            { 14, HostileOutcome::Fails, "the info header and pixels" },
            { 30, HostileOutcome::Fails, "half the info header" },
            { 54, HostileOutcome::Either, "every pixel" },
            { bmp.size() / 2, HostileOutcome::Either, "half the rows" },
            { -1, HostileOutcome::Either, "the last byte" } });
    const QByteArray dib = WriteHeaderlessDib(card);
    AddCuts(corpus, "dib", "dib", dib, "40 x 30 24-bit headerless DIB",
        { { 4, HostileOutcome::Fails, "all but the header size" },
            { 20, HostileOutcome::Fails, "half the info header" },
            { 40, HostileOutcome::Either, "every pixel" },
            { dib.size() / 2, HostileOutcome::Either, "half the rows" },
            { -1, HostileOutcome::Either, "the last byte" } });
    AddRunLengthFiles(corpus);
    AddLyingHeaders(corpus);
}

} // namespace gb::tools
