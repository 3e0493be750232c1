#include "formats/exif_orientation.h"

#include "formats/byte_view.h"
#include "formats/jpeg_decoder.h"
#include "formats/jpeg_exif.h"

#include <optional>
#include <zlib.h>

namespace gb::formats {

namespace {

    constexpr qint64 kPngSignature = 8;
    // A chunk: length, type, data, CRC.
    constexpr qint64 kPngChunkFrame = 12;
    // RIFF header: "RIFF", size, "WEBP"; then chunks of type, size, data padded to even.
    constexpr qint64 kRiffHeader = 12, kRiffChunkHeader = 8;
    constexpr quint8 kVp8xExifFlag = 0x08;
    // An Exif block is at most 64 KiB; written as hexadecimal lines it takes a little over twice.
    constexpr uLong kMaxRawProfile = 256 * 1024;
    const QByteArray kExifHeader("Exif\0\0", 6);
    const QByteArray kRawProfileKeyword("Raw profile type exif\0", 22);

    // Some writers keep the "Exif\0\0" that precedes the TIFF structure in a JPEG.
    QByteArray TiffOf(const QByteArray& block)
    {
        return block.startsWith(kExifHeader) ? block.mid(kExifHeader.size()) : block;
    }

    // The text of a tEXt or zTXt chunk named "Raw profile type exif": a line naming the profile,
    // its length, then the block in hexadecimal; empty for any other chunk.
    QByteArray RawProfile(const QByteArray& type, const QByteArray& data)
    {
        if (!data.startsWith(kRawProfileKeyword))
            return {};
        const QByteArray text = data.mid(kRawProfileKeyword.size());
        if (type == "tEXt")
            return text;
        if (type != "zTXt" || text.isEmpty() || text[0] != '\0')
            return {};
        QByteArray inflated(qsizetype(kMaxRawProfile), '\0');
        uLongf size = kMaxRawProfile;
        const auto* compressed = reinterpret_cast<const Bytef*>(text.constData() + 1);
        if (uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size, compressed,
                uLong(text.size() - 1))
            != Z_OK)
            return {};
        inflated.truncate(qsizetype(size));
        return inflated;
    }

    QByteArray BlockOfRawProfile(const QByteArray& text)
    {
        // "\nexif\n", the length padded with spaces, "\n", then the hexadecimal lines.
        const QList<QByteArray> lines = text.split('\n');
        if (lines.size() < 4 || lines[1] != "exif")
            return {};
        const qsizetype hex = lines[0].size() + lines[1].size() + lines[2].size() + 3;
        return TiffOf(QByteArray::fromHex(text.mid(hex)));
    }

    QByteArray PngExif(const ByteView& png)
    {
        std::optional<QByteArray> fromText;
        for (qint64 at = kPngSignature; png.Fits(at, kPngChunkFrame);) {
            const qint64 length = png.U32(at);
            const QByteArray type(png.Data() + at + 4, 4);
            if (!png.Fits(at + 8, length) || type == "IEND")
                break;
            // Only the small chunks are copied, never the picture's data.
            const auto data = [&] { return QByteArray(png.Data() + at + 8, qsizetype(length)); };
            if (type == "eXIf")
                return TiffOf(data());
            const bool text = type == "tEXt" || type == "zTXt";
            const QByteArray profile = text && !fromText ? RawProfile(type, data()) : QByteArray();
            if (!profile.isEmpty())
                fromText = BlockOfRawProfile(profile);
            at += kPngChunkFrame + length;
        }
        return fromText.value_or(QByteArray());
    }

    QByteArray WebpExif(const ByteView& webp)
    {
        const bool announced = webp.Fits(kRiffHeader, 4) // U8 checks its own byte
            && QByteArrayView(webp.Data() + kRiffHeader, 4) == "VP8X"
            && (webp.U8(kRiffHeader + kRiffChunkHeader) & kVp8xExifFlag) != 0;
        for (qint64 at = kRiffHeader; announced && webp.Fits(at, kRiffChunkHeader);) {
            const qint64 length = webp.U32(at + 4);
            if (!webp.Fits(at + kRiffChunkHeader, length))
                break;
            if (QByteArrayView(webp.Data() + at, 4) == "EXIF")
                return TiffOf(QByteArray(webp.Data() + at + kRiffChunkHeader, length));
            at += kRiffChunkHeader + length + (length & 1);
        }
        return {};
    }

    QByteArray EmbeddedExif(const QByteArray& bytes)
    {
        if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
            return PngExif(ByteView(bytes, ByteOrder::BigEndian));
        if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
            return WebpExif(ByteView(bytes));
        return {};
    }

} // namespace

int EmbeddedOrientation(const QByteArray& bytes) { return ExifOrientation(EmbeddedExif(bytes)); }

std::optional<qint64> EmbeddedTakenMs(const QByteArray& bytes)
{
    return ExifTakenMs(EmbeddedExif(bytes));
}

LoadedPicture TurnedUpright(LoadedPicture stored, int orientation)
{
    if (orientation >= 5)
        stored.naturalSize.transpose();
    stored.image = Upright(std::move(stored.image), orientation);
    return stored;
}

} // namespace gb::formats
