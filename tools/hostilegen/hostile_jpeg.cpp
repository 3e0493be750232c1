#include "hostilegen/hostile_parts.h"
#include "hostilegen/jpeg_segments.h"
#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

namespace gb::tools {

namespace {

    // The frame header with its height and width replaced (they follow length and precision).
    QByteArray WithFrameSize(QByteArray jpeg, quint32 width, quint32 height)
    {
        const qsizetype frame = FindSegment(jpeg, 0xc0).value_or(0);
        if (frame > 0) {
            SetBe16(jpeg, frame + 5, height);
            SetBe16(jpeg, frame + 7, width);
        }
        return jpeg;
    }

    void AddProgressiveCuts(QList<HostileFile>& corpus)
    {
        const QByteArray jpeg = WriteProgressiveJpeg(TestCard(64, 48));
        const QList<qsizetype> scans = FindScans(jpeg);
        // Cut inside the first scan, one in the middle and the last, a little past each marker.
        const qsizetype first = scans.value(0) + 40;
        const qsizetype middle = scans.value(scans.size() / 2) + 30;
        const qsizetype last = scans.value(scans.size() - 1) + 20;
        AddCuts(corpus, "jpeg-progressive", "jpg", jpeg, "64 x 48 progressive JPEG",
            { { first, HostileOutcome::Either, "everything after the first scan began" },
                { middle, HostileOutcome::Either, "everything after a middle scan began" },
                { last, HostileOutcome::Either, "everything after the last scan began" },
                { -2, HostileOutcome::Either, "the end-of-image marker" } });
    }

    void AddBrokenStreams(QList<HostileFile>& corpus, const QByteArray& jpeg)
    {
        const auto fails = HostileOutcome::Fails;
        const auto either = HostileOutcome::Either;
        corpus.append({ "jpeg-sof-65535.jpg", WithFrameSize(jpeg, 65535, 65535), fails,
            "baseline JPEG whose frame header claims 65535 x 65535" });
        corpus.append({ "jpeg-sof-zero-height.jpg", WithFrameSize(jpeg, 48, 0), fails,
            "frame header of height 0 (a DNL marker would be needed)" });
        corpus.append({ "jpeg-sof-zero-width.jpg", WithFrameSize(jpeg, 0, 32), fails,
            "frame header of width 0" });
        corpus.append({ "jpeg-soi-eoi.jpg", QByteArray("\xff\xd8\xff\xd9", 4), fails,
            "start and end of image and nothing between" });
        QByteArray comment("\xff\xd8\xff\xfe\xff\xff", 6);
        comment.append("a comment that stops long before its length says");
        corpus.append({ "jpeg-comment-past-end.jpg", comment, fails,
            "comment segment claiming 65535 bytes, file ends 50 in" });

        QByteArray huffman = jpeg;
        const qsizetype table = FindSegment(jpeg, 0xc4).value_or(0);
        if (table > 0)
            huffman.replace(table + 5, 16, QByteArray(16, '\xff'));
        corpus.append({ "jpeg-huffman-counts.jpg", huffman, fails,
            "Huffman table whose code counts add up to 4080" });
        QByteArray quant = jpeg;
        const qsizetype dqt = FindSegment(jpeg, 0xdb).value_or(0);
        if (dqt > 0)
            quant[dqt + 4] = '\x3f'; // precision 3, table 15
        corpus.append({ "jpeg-quant-table-id.jpg", quant, either,
            "quantisation table with precision 3 and number 15" });

        const QList<qsizetype> scans = FindScans(jpeg);
        const qsizetype scan = scans.value(0);
        const qsizetype data = scan + 2 + ((uchar(jpeg[scan + 2]) << 8) | uchar(jpeg[scan + 3]));
        corpus.append({ "jpeg-scan-noise.jpg", jpeg.first(data) + Noise(1500, 3) + "\xff\xd9",
            either, "valid headers over 1500 bytes of noise as the scan" });
        QByteArray noEnd = jpeg.first(jpeg.size() - 2);
        noEnd.append(QByteArray(3000, '\0'));
        corpus.append({ "jpeg-zeros-after-scan.jpg", noEnd, either,
            "no end-of-image marker, 3000 zero bytes instead" });
    }

} // namespace

void AddJpegFiles(QList<HostileFile>& corpus)
{
    const QByteArray jpeg = WriteJpeg(TestCard(48, 32), 85);
    const QList<qsizetype> scans = FindScans(jpeg);
    AddCuts(corpus, "jpeg", "jpg", jpeg, "48 x 32 baseline JPEG",
        { { 2, HostileOutcome::Fails, "all but the start-of-image marker" },
            { 20, HostileOutcome::Fails, "all but part of the JFIF header" },
            { scans.value(0), HostileOutcome::Either, "the scan" },
            { scans.value(0) + (jpeg.size() - scans.value(0)) / 2, HostileOutcome::Either,
                "half the scan" },
            { -2, HostileOutcome::Either, "the end-of-image marker" } });
    AddProgressiveCuts(corpus);
    AddBrokenStreams(corpus, jpeg);
}

} // namespace gb::tools
