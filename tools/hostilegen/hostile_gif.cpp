#include "hostilegen/hostile_parts.h"
#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

#include <QList>

namespace gb::tools {

namespace {

    struct Frame {
        quint32 left = 0;
        quint32 top = 0;
        quint32 width = 4;
        quint32 height = 4;
        int minCodeSize = 2;
        QByteArray data; // LZW bytes, cut into sub-blocks on writing
        bool terminated = true; // the zero-length block that ends the data
    };

    // Codes of any width packed least significant bit first, as GIF packs them.
    QByteArray PackCodes(const QList<int>& codes, int width)
    {
        QByteArray out;
        quint32 buffer = 0;
        int bits = 0;
        for (int code : codes) {
            buffer |= static_cast<quint32>(code) << bits;
            bits += width;
            while (bits >= 8) {
                out.append(static_cast<char>(buffer & 0xff));
                buffer >>= 8;
                bits -= 8;
            }
        }
        if (bits > 0)
            out.append(static_cast<char>(buffer & 0xff));
        return out;
    }

    // A clear code, one pixel per code for the whole frame, then the end code: valid LZW for a
    // 2-bit code size as long as the table never needs a wider code.
    QByteArray SimpleLzw(int pixels)
    {
        QList<int> codes { 4 };
        for (int i = 0; i < pixels; ++i) {
            codes.append(i % 2);
            codes.append(4); // a clear after each keeps the width at 3 bits
        }
        codes.append(5);
        return PackCodes(codes, 3);
    }

    QByteArray Gif(quint32 screenWidth, quint32 screenHeight, const Frame& frame)
    {
        QByteArray out("GIF89a");
        PutLe16(out, screenWidth);
        PutLe16(out, screenHeight);
        out.append('\x80').append('\0').append('\0'); // a global table of two colours
        out.append("\0\0\0\xff\xff\xff", 6);
        out.append('\x2c');
        PutLe16(out, frame.left);
        PutLe16(out, frame.top);
        PutLe16(out, frame.width);
        PutLe16(out, frame.height);
        out.append('\0');
        out.append(static_cast<char>(frame.minCodeSize));
        for (qsizetype i = 0; i < frame.data.size(); i += 255) {
            const QByteArray block = frame.data.mid(i, 255);
            out.append(static_cast<char>(block.size())).append(block);
        }
        if (frame.terminated)
            out.append('\0').append('\x3b');
        return out;
    }

    Frame SmallFrame()
    {
        Frame frame;
        frame.data = SimpleLzw(16);
        return frame;
    }

    void AddLyingFrames(QList<HostileFile>& corpus)
    {
        const auto either = HostileOutcome::Either;
        corpus.append({ "gif-control-4x4.gif", Gif(4, 4, SmallFrame()), HostileOutcome::Loads,
            "a valid 4 x 4 GIF written the way the hostile ones below are" });
        corpus.append({ "gif-screen-65535.gif", Gif(65535, 65535, SmallFrame()), either,
            "logical screen of 65535 x 65535 around a 4 x 4 frame" });
        Frame huge = SmallFrame();
        huge.width = huge.height = 65535;
        corpus.append({ "gif-frame-65535.gif", Gif(4, 4, huge), either,
            "4 x 4 screen holding a frame that claims 65535 x 65535" });
        Frame outside = SmallFrame();
        outside.left = outside.top = 60000;
        corpus.append({ "gif-frame-outside.gif", Gif(4, 4, outside), either,
            "4 x 4 screen whose only frame lies at 60000, 60000" });
        Frame straddles = SmallFrame();
        straddles.left = 2;
        straddles.top = 3;
        corpus.append({ "gif-frame-straddles.gif", Gif(4, 4, straddles), either,
            "4 x 4 screen whose frame hangs over the right and bottom edges" });
        Frame empty = SmallFrame();
        empty.width = empty.height = 0;
        corpus.append({ "gif-frame-zero.gif", Gif(4, 4, empty), either, "a frame of 0 x 0" });
        Frame wide = SmallFrame();
        wide.width = 0;
        corpus.append({ "gif-frame-zero-wide.gif", Gif(4, 4, wide), either, "a frame 0 wide" });
    }

    void AddLzwAbuse(QList<HostileFile>& corpus)
    {
        const auto either = HostileOutcome::Either;
        for (int size : { 0, 1, 12, 13, 255 }) {
            Frame frame = SmallFrame();
            frame.minCodeSize = size;
            corpus.append({ QStringLiteral("gif-lzw-size-%1.gif").arg(size, 3, 10, QChar(u'0')),
                Gif(4, 4, frame), either,
                QStringLiteral("LZW minimum code size %1 (1 to 11 only make sense)").arg(size) });
        }
        Frame undefined;
        undefined.data = PackCodes({ 4, 7, 6, 7, 7, 1, 7, 5 }, 3);
        corpus.append({ "gif-lzw-undefined-codes.gif", Gif(4, 4, undefined), either,
            "LZW codes naming table entries that do not exist yet" });
        Frame noClear;
        QList<int> codes;
        for (int i = 0; i < 6000; ++i)
            codes.append(i % 2);
        noClear.data = PackCodes(codes, 3);
        corpus.append({ "gif-lzw-no-clear.gif", Gif(4, 4, noClear), either,
            "LZW stream with no clear code, fixed at 3 bits while the table grows past 4096" });
        Frame endless = SmallFrame();
        endless.data = QByteArray(255 * 16, '\0');
        endless.terminated = false;
        corpus.append({ "gif-data-endless.gif", Gif(4, 4, endless), either,
            "16 full data blocks of zero codes and no terminator" });
    }

    void AddBrokenBlocks(QList<HostileFile>& corpus)
    {
        const auto either = HostileOutcome::Either;
        QByteArray runsOff = Gif(4, 4, SmallFrame()).first(19);
        runsOff.append("\x21\xfe\xff", 3).append("comment", 7);
        corpus.append({ "gif-extension-runs-off.gif", runsOff, either,
            "comment extension whose 255-byte block stops after 7" });
        QByteArray localTable = Gif(4, 4, SmallFrame()).first(29);
        localTable[28] = '\x87'; // a local table of 256 colours
        localTable.append(QByteArray(20, '\x10'));
        corpus.append({ "gif-local-table-cut.gif", localTable, either,
            "frame announcing a local table of 256 colours, file ends 20 bytes in" });
        QByteArray globalTable("GIF89a\x04\0\x04\0\x87\0\0", 13);
        globalTable.append(QByteArray(30, '\x20'));
        corpus.append({ "gif-global-table-cut.gif", globalTable, either,
            "screen announcing a global table of 256 colours, file ends 30 bytes in" });
    }

} // namespace

void AddGifFiles(QList<HostileFile>& corpus)
{
    const QByteArray gif = WriteGif(TestCard(40, 30));
    const qsizetype tableEnd = 13 + 3 * (qsizetype(1) << ((static_cast<uchar>(gif[10]) & 7) + 1));
    AddCuts(corpus, "gif", "gif", gif, "40 x 30 GIF89a",
        { { 3, HostileOutcome::Fails, "all but the signature" },
            { 10, HostileOutcome::Fails, "half the screen descriptor" },
            { tableEnd, HostileOutcome::Either, "every frame" },
            { tableEnd + 14, HostileOutcome::Either, "the frame's data" },
            { gif.size() / 2, HostileOutcome::Either, "half the LZW data" },
            { -2, HostileOutcome::Either, "the block terminator and trailer" },
            { -1, HostileOutcome::Either, "the trailer" } });
    AddLyingFrames(corpus);
    AddLzwAbuse(corpus);
    AddBrokenBlocks(corpus);
}

} // namespace gb::tools
