#include "hostilegen/hostile_parts.h"
#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

#include <QtEndian>

namespace gb::tools {

namespace {

    constexpr qsizetype kEntrySize = 16;
    constexpr qsizetype kFirstEntry = 6;

    // A PNG whose header, with correct checksums, claims `side` x `side` RGBA pixels, followed
    // by a few bytes of compressed data: what a Vista-style icon entry holds, but lying.
    QByteArray LyingPng(quint32 side)
    {
        QByteArray header;
        PutBe32(header, side);
        PutBe32(header, side);
        header.append("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, deflate, no interlace
        return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header)
            + PngChunk("IDAT", QByteArray("\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x01", 10))
            + PngChunk("IEND", {});
    }

    // A real PNG's signature and header, then a text chunk claiming 2 GB in which the file ends:
    // a reader that believed it would allocate the 2 GB before reading on.
    QByteArray PngClaimingHugeText()
    {
        constexpr qsizetype kSignatureAndHeader = 8 + 25;
        QByteArray png = WritePng(TestCard(24, 16)).first(kSignatureAndHeader);
        PutBe32(png, 0x7ffffff0u);
        return png + QByteArray("tEXtComment\0a 2 GB comment", 26);
    }

    // An icon file of one 16 x 16 image whose payload's info header then says otherwise.
    QByteArray WithPayloadHeader(
        QByteArray file, qint32 width, qint32 height, quint32 bits, quint32 coloursUsed = 0)
    {
        const qsizetype payload = static_cast<qsizetype>(
            qFromLittleEndian<quint32>(file.constData() + kFirstEntry + 12));
        SetLe32(file, payload + 4, static_cast<quint32>(width));
        SetLe32(file, payload + 8, static_cast<quint32>(height));
        SetLe16(file, payload + 14, bits);
        SetLe32(file, payload + 32, coloursUsed);
        return file;
    }

    QByteArray WithEntry(QByteArray file, int entry, quint32 bytes, quint32 offset)
    {
        SetLe32(file, kFirstEntry + kEntrySize * entry + 8, bytes);
        SetLe32(file, kFirstEntry + kEntrySize * entry + 12, offset);
        return file;
    }

    QByteArray WithCount(QByteArray file, quint32 count)
    {
        SetLe16(file, 4, count);
        return file;
    }

    // The directory claims one 256 x 256 PNG entry: the payload is `png`.
    void AddLyingIcons(QList<HostileFile>& corpus, const QString& stem, const QByteArray& one,
        const QByteArray& two)
    {
        const QString ext = stem;
        const auto either = HostileOutcome::Either;
        const auto add = [&](const QString& what, const QByteArray& bytes, HostileOutcome expected,
                             const QString& text) {
            corpus.append(
                { QStringLiteral("%1-%2.%3").arg(stem, what, ext), bytes, expected, text });
        };
        add("count-65535", WithCount(one, 65535), either,
            "directory claiming 65535 entries; the file holds one");
        add("count-zero", WithCount(one, 0), HostileOutcome::Fails, "directory of no entries");
        add("entry-past-end", WithEntry(one, 0, 1000, static_cast<quint32>(one.size()) + 100),
            either, "the only entry's payload lies 100 bytes past the end");
        add("entry-offset-2e32", WithEntry(one, 0, 0xffffffffu, 0xfffffff0u), either,
            "the only entry claims 4 GB at an offset 4 GB in");
        add("entry-into-directory", WithEntry(one, 0, 40, 0), either,
            "the only entry's payload is the directory itself");
        const quint32 firstPayload = qFromLittleEndian<quint32>(two.constData() + 6 + 12);
        add("entries-overlap", WithEntry(two, 1, 200, firstPayload + 8), either,
            "two entries whose payloads overlap");
        add("dib-claims-65535", WithPayloadHeader(one, 65535, 131070, 32), either,
            "the payload's info header claims 65535 x 65535 at 32 bits");
        add("dib-claims-2e31", WithPayloadHeader(one, 0x7fffffff, 0x7ffffffe, 32), either,
            "the payload's info header claims 2^31 - 1 pixels square");
        add("dib-claims-negative", WithPayloadHeader(one, 16, static_cast<qint32>(0x80000000u), 32),
            either, "the payload's info header claims -2^31 lines");
        add("dib-bits-0", WithPayloadHeader(one, 16, 32, 0), either,
            "the payload's info header claims 0 bits per pixel");
        add("dib-palette-2e31", WithPayloadHeader(one, 16, 32, 8, 0x7fffffff), either,
            "the payload claims 2^31 - 1 palette colours");
        add("png-claims-65535",
            WriteIconDirectory(stem == "cur" ? 2 : 1, { { 0, 0, 0, 1, 32, LyingPng(65535) } }),
            either, "a PNG entry whose header claims 65535 x 65535");
        add("png-text-claims-2e31",
            WriteIconDirectory(
                stem == "cur" ? 2 : 1, { { 0, 0, 0, 1, 32, PngClaimingHugeText() } }),
            HostileOutcome::Fails, "a PNG entry whose text chunk claims 2 GB; the file ends in it");
    }

    // A directory of 4096 real entries, every one naming the same 16 x 16 image.
    QByteArray ManyEntries(const QByteArray& one)
    {
        constexpr int kEntries = 4096;
        const QByteArray entry = one.mid(kFirstEntry, kEntrySize);
        const QByteArray payload = one.mid(kFirstEntry + kEntrySize);
        QByteArray out = one.first(kFirstEntry);
        SetLe16(out, 4, kEntries);
        for (int i = 0; i < kEntries; ++i)
            out += entry;
        for (int i = 0; i < kEntries; ++i)
            SetLe32(out, kFirstEntry + kEntrySize * i + 12, kFirstEntry + kEntrySize * kEntries);
        return out + payload;
    }

} // namespace

void AddIconFiles(QList<HostileFile>& corpus)
{
    const QImage big = TestCard(32, 32);
    const QImage small = TestCard(16, 16);
    const QByteArray ico = WriteIco({ { big, 32 }, { small, 8 } });
    const qsizetype payload = kFirstEntry + 2 * kEntrySize;
    AddCuts(corpus, "ico", "ico", ico, "icon of a 32 x 32 32-bit and a 16 x 16 8-bit image",
        { { 4, HostileOutcome::Fails, "the entry count and directory" },
            { kFirstEntry + kEntrySize, HostileOutcome::Either, "the second entry and payloads" },
            { payload + 20, HostileOutcome::Either, "all but half the first info header" },
            { ico.size() / 2, HostileOutcome::Either, "half the payloads" },
            { -1, HostileOutcome::Either, "the last byte" } });
    const QByteArray cur = WriteCur({ { big, 32 } }, QPoint(3, 4));
    AddCuts(corpus, "cur", "cur", cur, "cursor of one 32 x 32 32-bit image",
        { { 4, HostileOutcome::Fails, "the entry count and directory" },
            { kFirstEntry + kEntrySize, HostileOutcome::Either, "the payload" },
            { cur.size() / 2, HostileOutcome::Either, "half the payload" },
            { -1, HostileOutcome::Either, "the last byte" } });

    corpus.append({ "ico-4096-entries.ico", ManyEntries(WriteIco({ { small, 32 } })),
        HostileOutcome::Loads, "4096 directory entries, all naming one 16 x 16 image" });
    AddLyingIcons(
        corpus, "ico", WriteIco({ { small, 32 } }), WriteIco({ { small, 32 }, { small, 8 } }));
    AddLyingIcons(corpus, "cur", WriteCur({ { small, 32 } }, QPoint(1, 1)),
        WriteCur({ { small, 32 }, { small, 8 } }, QPoint(1, 1)));
    // PNG files are shown only with every picture type: the corpus test and valgrind ask for them.
    corpus.append({ "png-text-claims-2e31.png", PngClaimingHugeText(), HostileOutcome::Fails,
        "a PNG whose text chunk claims 2 GB; the file ends in it" });
    corpus.append({ "png-rgb48-transparent-colour.png",
        WriteRgb48Png(
            TestCard(24, 16).convertToFormat(QImage::Format_RGBA64), qRgba64(0xc8c8, 0, 0, 0)),
        HostileOutcome::Loads, "16-bit RGB whose tRNS chunk makes one colour transparent" });
}

} // namespace gb::tools
