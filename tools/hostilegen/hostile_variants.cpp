// Bitmaps and icons that other viewers show but that break an assumption of Qt's readers: rows
// stored top down, unusual colour masks, OS/2 headers, run-length codes that leave pixels
// undrawn, icons whose directory disagrees with their bitmap. Every one must load, to the same
// pixels on every run.
#include "hostilegen/hostile_parts.h"
#include "samplegen/image_writers.h"
#include "writers/bitmap_header_writer.h"

namespace gb::tools {

namespace {

    // `height` rows of `width` pixels, each row padded to four bytes, the bytes counting on.
    QByteArray Rows(int width, int height, int bits)
    {
        QByteArray rows((width * bits + 31) / 32 * 4 * height, '\0');
        for (qsizetype i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<char>(i * 37 + 11);
        return rows;
    }

    QList<QRgb> Greys(int count)
    {
        QList<QRgb> greys;
        for (int i = 0; i < count; ++i)
            greys.append(qRgb(i * 255 / (count - 1), 100, 255 - i * 255 / (count - 1)));
        return greys;
    }

    void AddLoading(
        QList<HostileFile>& corpus, const QString& name, const DibSpec& spec, const QString& what)
    {
        corpus.append({ name, WriteDib(spec), HostileOutcome::Loads, what });
    }

    // An icon or cursor file of one bitmap entry whose directory gives `directoryBits`.
    QByteArray OneEntryIcon(int type, int side, int directoryBits, const QByteArray& payload)
    {
        // A cursor's hot spot, an icon's planes and bits.
        return WriteIconDirectory(
            type, { { side, side, 0, type == 2 ? 3 : 1, type == 2 ? 3 : directoryBits, payload } });
    }

    void AddIconVariants(QList<HostileFile>& corpus)
    {
        // A monochrome cursor: the XOR bitmap, then the AND mask marking the transparent pixels.
        DibSpec mono { 40, 16, 32, 1 };
        mono.palette = { qRgb(0, 0, 0), qRgb(255, 255, 255) };
        mono.pixels = Rows(16, 16, 1) + Rows(16, 16, 1).mid(7) + QByteArray(7, '\xff');
        corpus.append({ "cur-mono-and-mask.cur", OneEntryIcon(2, 16, 1, WriteDib(mono, false)),
            HostileOutcome::Loads, "1-bit cursor, black and white with its AND mask" });
        DibSpec four { 40, 16, 32, 4 };
        four.palette = Greys(16);
        four.pixels = Rows(16, 16, 4) + QByteArray(64, '\0');
        corpus.append(
            { "ico-directory-says-32-bits.ico", OneEntryIcon(1, 16, 32, WriteDib(four, false)),
                HostileOutcome::Loads, "directory entry says 32 bits a pixel, the bitmap has 4" });
    }

} // namespace

void AddDecoderVariants(QList<HostileFile>& corpus)
{
    for (const int header : { 40, 108, 124 }) {
        for (const int bits : { 8, 24, 32 }) {
            DibSpec spec { header, 5, -3, bits };
            spec.palette = bits == 8 ? Greys(256) : QList<QRgb> {};
            spec.pixels = Rows(5, 3, bits);
            AddLoading(corpus, QString("bmp-top-down-%1-%2.bmp").arg(header).arg(bits), spec,
                QString("rows top to bottom, %1-byte header, %2 bits").arg(header).arg(bits));
        }
    }
    const std::tuple<const char*, int, QList<quint32>> masks[] = {
        { "3-10-3", 16, { 0xe000, 0x1ff8, 0x0007 } },
        { "4-4-4-4", 16, { 0x0f00, 0x00f0, 0x000f, 0xf000 } },
        { "11-11-10", 32, { 0xffe00000, 0x001ffc00, 0x000003ff } },
        { "10-10-10-2", 32, { 0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000 } },
    };
    for (const auto& [name, bits, channels] : masks) {
        DibSpec spec { channels.size() == 4 ? 56 : 40, 4, 2, bits, kBiBitfields };
        spec.masks = channels;
        spec.pixels = Rows(4, 2, bits);
        AddLoading(corpus, QString("bmp-bitfields-%1.bmp").arg(name), spec,
            QString("%1-bit colour masks %2").arg(bits).arg(name));
    }
    for (const int header : { 16, 64 }) {
        DibSpec spec { header, 4, 2, 8 };
        spec.palette = Greys(256);
        spec.pixels = Rows(4, 2, 8);
        AddLoading(corpus, QString("bmp-os2-%1.bmp").arg(header), spec,
            QString("OS/2 2.x header of %1 bytes").arg(header));
    }
    DibSpec planes { 40, 4, 2, 24 };
    planes.planes = 0;
    planes.pixels = Rows(4, 2, 24);
    AddLoading(corpus, "bmp-planes-0.bmp", planes, "planes field 0 instead of 1");
    DibSpec delta { 40, 8, 4, 8, kBiRle8 };
    delta.palette = Greys(4);
    delta.pixels = RleCodes().Run(3, 1).Delta(20, 20).Run(4, 2).EndOfBitmap().Bytes();
    AddLoading(corpus, "rle8-delta-past-end.rle", delta, "delta jumps past the last row");
    delta.pixels = RleCodes().Run(8, 3).EndOfLine().Run(2, 2).Bytes();
    AddLoading(corpus, "rle8-no-end-code.rle", delta, "codes stop after a row and a half");
    AddIconVariants(corpus);
}

} // namespace gb::tools
