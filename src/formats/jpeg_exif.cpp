#include "formats/jpeg_exif.h"

#include "formats/thumbnail_match.h"

#include "formats/byte_view.h"
#include "formats/exif_date.h"
#include "formats/jpeg_decoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gb::formats {

namespace {

    // Cameras put the frame header within a dozen segments and the first few hundred KiB; a file
    // that makes us look further is not worth a thumbnail shortcut.
    constexpr int kMaxSegments = 100;
    constexpr qint64 kScanLimit = qint64(16) << 20;
    // The marker walk reads in blocks so that fill bytes and segment headers cost no read each.
    constexpr qint64 kBlockSize = 4096;
    // Real IFDs hold a few dozen entries; a count beyond this is a broken or hostile block.
    constexpr quint32 kMaxIfdEntries = 512;
    // Embedded thumbnails are 160 x 120; anything over this is no thumbnail and not worth decoding.
    constexpr int kMaxThumbnailSide = 1024;

    constexpr quint8 kFill = 0xff, kTem = 0x01, kSof0 = 0xc0, kSof15 = 0xcf, kDht = 0xc4,
                     kJpg = 0xc8, kDac = 0xcc, kRst0 = 0xd0, kRst7 = 0xd7, kSoi = 0xd8, kEoi = 0xd9,
                     kSos = 0xda, kApp1 = 0xe1;

    constexpr quint16 kOrientationTag = 0x0112, kExifIfdTag = 0x8769, kPixelXTag = 0xa002,
                      kPixelYTag = 0xa003, kThumbnailOffsetTag = 0x0201,
                      kThumbnailLengthTag = 0x0202, kDateTimeOriginalTag = 0x9003,
                      kOffsetTimeOriginalTag = 0x9011;
    constexpr quint16 kAscii = 2, kShort = 3, kLong = 4, kIfdType = 13;

    class BlockReader {
    public:
        explicit BlockReader(const ReadBytes& read)
            : read_(read)
        {
        }

        // nullopt past the end of the file or of the part we look at.
        std::optional<quint8> At(qint64 offset)
        {
            if (offset < 0 || offset >= kScanLimit)
                return std::nullopt;
            if (offset < start_ || offset >= start_ + block_.size()) {
                start_ = offset;
                block_ = read_(offset, std::min(kBlockSize, kScanLimit - offset));
            }
            if (offset - start_ >= block_.size())
                return std::nullopt;
            return static_cast<quint8>(block_[offset - start_]);
        }

        // The first offset from `offset` on that holds no fill byte (0xff).
        qint64 SkipFill(qint64 offset)
        {
            while (At(offset) == kFill) {
                const qint64 end = start_ + block_.size();
                const char* p = block_.constData();
                while (offset < end && p[offset - start_] == '\xff')
                    ++offset;
            }
            return offset;
        }

        std::optional<quint32> BigEndian16(qint64 offset)
        {
            const auto high = At(offset), low = At(offset + 1);
            if (!high || !low)
                return std::nullopt;
            return quint32(*high) << 8 | *low;
        }

        QByteArray Read(qint64 offset, qint64 length)
        {
            if (offset < 0 || length <= 0 || offset + length > kScanLimit)
                return {};
            return read_(offset, length).left(length);
        }

    private:
        const ReadBytes& read_;
        qint64 start_ = 0;
        QByteArray block_;
    };

    // The TIFF structure inside the Exif segment, in the byte order it names; every offset in it
    // counts from its start.
    using Tiff = ByteView;

    std::optional<quint32> Read16(const Tiff& tiff, qint64 at)
    {
        return tiff.Fits(at, 2) ? std::optional<quint32>(tiff.U16(at)) : std::nullopt;
    }

    std::optional<quint32> Read32(const Tiff& tiff, qint64 at)
    {
        return tiff.Fits(at, 4) ? std::optional<quint32>(tiff.U32(at)) : std::nullopt;
    }

    struct IfdEntry {
        quint32 tag = 0;
        quint32 type = 0;
        quint32 count = 0;
        qint64 valueAt = 0; // where the value (or the offset of a long one) sits
    };

    struct Ifd {
        std::vector<IfdEntry> entries;
        quint32 next = 0; // 0: the last IFD
    };

    std::optional<Ifd> ReadIfd(const Tiff& tiff, quint32 offset)
    {
        const auto count = Read16(tiff, offset);
        if (!count || *count > kMaxIfdEntries)
            return std::nullopt;
        Ifd ifd;
        for (quint32 i = 0; i < *count; ++i) {
            const qint64 at = qint64(offset) + 2 + 12 * qint64(i);
            const auto tag = Read16(tiff, at), type = Read16(tiff, at + 2);
            const auto values = Read32(tiff, at + 4);
            if (!tag || !type || !values || !tiff.Fits(at, 12))
                return std::nullopt;
            ifd.entries.push_back({ *tag, *type, *values, at + 8 });
        }
        // A block cut right after its entries simply has no IFD after it.
        ifd.next = Read32(tiff, qint64(offset) + 2 + 12 * qint64(*count)).value_or(0);
        return ifd;
    }

    // The single SHORT or LONG value of `tag`: the only form the tags we read take.
    std::optional<quint32> Number(const Tiff& tiff, const Ifd& ifd, quint16 tag)
    {
        const auto entry = std::find_if(ifd.entries.begin(), ifd.entries.end(),
            [tag](const IfdEntry& e) { return e.tag == tag; });
        if (entry == ifd.entries.end() || entry->count != 1)
            return std::nullopt;
        if (entry->type == kShort)
            return Read16(tiff, entry->valueAt);
        if (entry->type == kLong || entry->type == kIfdType)
            return Read32(tiff, entry->valueAt);
        return std::nullopt;
    }

    std::optional<QSize> RecordedSize(const Tiff& tiff, const Ifd& exifIfd)
    {
        const auto width = Number(tiff, exifIfd, kPixelXTag);
        const auto height = Number(tiff, exifIfd, kPixelYTag);
        // A JPEG frame is at most 65535 a side, so a larger record can never match one.
        if (!width || !height || *width > 0xffff || *height > 0xffff)
            return std::nullopt;
        return QSize(int(*width), int(*height));
    }

    // The text of an ASCII `tag`, held in the entry itself up to four bytes, else where it points.
    QByteArrayView Text(const Tiff& tiff, const Ifd& ifd, quint16 tag)
    {
        const auto entry = std::find_if(ifd.entries.begin(), ifd.entries.end(),
            [tag](const IfdEntry& e) { return e.tag == tag; });
        if (entry == ifd.entries.end() || entry->type != kAscii || entry->count > 64)
            return {};
        const qint64 at
            = entry->count <= 4 ? entry->valueAt : Read32(tiff, entry->valueAt).value_or(0);
        if (!tiff.Fits(at, entry->count))
            return {};
        return QByteArrayView(tiff.Data() + at, entry->count);
    }

    QByteArray Thumbnail(const Tiff& tiff, const Ifd& ifd1)
    {
        const auto offset = Number(tiff, ifd1, kThumbnailOffsetTag);
        const auto length = Number(tiff, ifd1, kThumbnailLengthTag);
        if (!offset || !length || *length == 0 || !tiff.Fits(*offset, *length))
            return {};
        return QByteArray(tiff.Data() + *offset, *length);
    }

    void ReadTiff(const Tiff& tiff, JpegExif& exif)
    {
        const auto firstIfd = Read32(tiff, 4);
        if (!firstIfd || Read16(tiff, 2) != 42u)
            return;
        // Each IFD is read at most once, so offsets that point back cannot make us go round.
        std::vector<quint32> seen;
        const auto visit = [&](quint32 offset) -> std::optional<Ifd> {
            if (offset == 0 || std::find(seen.begin(), seen.end(), offset) != seen.end())
                return std::nullopt;
            seen.push_back(offset);
            return ReadIfd(tiff, offset);
        };
        const auto ifd0 = visit(*firstIfd);
        if (!ifd0)
            return;
        const auto orientation = Number(tiff, *ifd0, kOrientationTag);
        if (orientation && *orientation >= 1 && *orientation <= 8)
            exif.orientation = int(*orientation);
        if (const auto pointer = Number(tiff, *ifd0, kExifIfdTag))
            if (const auto exifIfd = visit(*pointer)) {
                exif.recordedSize = RecordedSize(tiff, *exifIfd).value_or(QSize());
                exif.takenMs = ExifDateMs(Text(tiff, *exifIfd, kDateTimeOriginalTag),
                    Text(tiff, *exifIfd, kOffsetTimeOriginalTag));
            }
        if (const auto ifd1 = visit(ifd0->next))
            exif.thumbnail = Thumbnail(tiff, *ifd1);
    }

    // The TIFF structure in the byte order its first two bytes name.
    void ReadTiffBlock(const ByteView& tiff, JpegExif& exif)
    {
        const QByteArray order(tiff.Data(), qMin<qsizetype>(tiff.Size(), 2));
        if (order == "II")
            ReadTiff(tiff, exif);
        else if (order == "MM")
            ReadTiff(ByteView(tiff.Data(), tiff.Size(), ByteOrder::BigEndian), exif);
    }

    // True when the segment is an Exif block, whatever state its contents are in.
    bool ReadExifSegment(const QByteArray& payload, JpegExif& exif)
    {
        static const QByteArray signature("Exif\0\0", 6);
        if (!payload.startsWith(signature))
            return false;
        ReadTiffBlock(
            ByteView(payload).Part(signature.size(), payload.size() - signature.size()), exif);
        return true;
    }

    bool IsFrameHeader(quint8 marker)
    {
        return marker >= kSof0 && marker <= kSof15 && marker != kDht && marker != kJpg
            && marker != kDac;
    }

    // The frame header after its length: precision, height, width.
    QSize FrameSize(BlockReader& bytes, qint64 at, quint32 length)
    {
        const auto height = bytes.BigEndian16(at + 1), width = bytes.BigEndian16(at + 3);
        if (length < 8 || !height || !width || *height == 0 || *width == 0)
            return {};
        return QSize(int(*width), int(*height));
    }

    std::optional<QImage> DecodeThumbnail(const QByteArray& jpeg)
    {
        // A thumbnail cut short would still decode, grey below the cut; its end marker is gone.
        qsizetype end = jpeg.size();
        while (end > 0 && jpeg[end - 1] == '\0')
            --end;
        if (end < 4 || jpeg.mid(end - 2, 2) != QByteArray("\xff\xd9", 2))
            return std::nullopt;
        JpegRequest request;
        request.upright = false; // the main picture's orientation is applied below
        request.maxSide = kMaxThumbnailSide;
        auto picture = DecodeJpeg(jpeg, request);
        if (!picture)
            return std::nullopt;
        return std::move(picture->image);
    }

    // Within 1 %: a 160 x 120 thumbnail of a 3:2 picture has bars added and would show them.
    bool SameAspect(QSize a, QSize b)
    {
        const qint64 cross = qint64(a.width()) * b.height() - qint64(a.height()) * b.width();
        return qAbs(cross) * 100 <= qint64(a.height()) * b.width();
    }

    // The size `picture` gets fitted into `box`, rounded up so that the check errs on the safe
    // side.
    QSize FittedSize(QSize picture, QSize box)
    {
        const double scale = std::min(
            double(box.width()) / picture.width(), double(box.height()) / picture.height());
        return QSize(int(std::ceil(picture.width() * scale - 1e-6)),
            int(std::ceil(picture.height() * scale - 1e-6)));
    }

} // namespace

std::optional<JpegExif> ReadJpegExif(const ReadBytes& read)
{
    BlockReader bytes(read);
    if (bytes.At(0) != kFill || bytes.At(1) != kSoi)
        return std::nullopt;
    JpegExif exif;
    bool exifSeen = false;
    qint64 at = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        if (bytes.At(at) != kFill)
            break; // no marker where one belongs
        at = bytes.SkipFill(at + 1) - 1;
        const auto marker = bytes.At(at + 1);
        if (!marker || *marker == 0 || *marker == kSoi || *marker == kEoi || *marker == kSos)
            break;
        if (*marker == kTem || (*marker >= kRst0 && *marker <= kRst7)) {
            at += 2;
            continue;
        }
        const auto length = bytes.BigEndian16(at + 2);
        if (!length || *length < 2)
            break;
        if (IsFrameHeader(*marker)) {
            exif.frameSize = FrameSize(bytes, at + 4, *length);
            exif.frameAt = at;
            break;
        }
        if (*marker == kApp1 && !exifSeen)
            exifSeen = ReadExifSegment(bytes.Read(at + 4, *length - 2), exif);
        at += 2 + *length;
    }
    return exif;
}

int ExifOrientation(const QByteArray& tiff)
{
    JpegExif exif;
    ReadTiffBlock(ByteView(tiff), exif);
    return exif.orientation;
}

std::optional<qint64> ExifTakenMs(const QByteArray& tiff)
{
    JpegExif exif;
    ReadTiffBlock(ByteView(tiff), exif);
    return exif.takenMs;
}

std::optional<LoadedPicture> TrustedEmbeddedThumbnail(
    const JpegExif& exif, QSize box, const ReadBytes& read, qint64 fileSize)
{
    const QSize frame = exif.frameSize;
    if (frame.isEmpty() || exif.recordedSize != frame || box.isEmpty())
        return std::nullopt;
    const auto stored = DecodeThumbnail(exif.thumbnail);
    if (!stored || !SameAspect(stored->size(), frame))
        return std::nullopt;
    const bool turned = exif.orientation >= 5;
    const QSize upright = turned ? frame.transposed() : frame;
    const QSize thumbnail = turned ? stored->size().transposed() : stored->size();
    const QSize needed = FittedSize(upright, box) * 2;
    if (thumbnail.width() < needed.width() || thumbnail.height() < needed.height()
        || !ShowsSamePicture(
            *stored, read, PrefixForMatch(exif.frameAt, fileSize, frame.height()), frame))
        return std::nullopt;
    LoadedPicture picture { Upright(std::move(*stored), exif.orientation), upright };
    picture.embedded = true;
    return picture;
}

} // namespace gb::formats
