#include "formats/picture_decoder.h"

#include "formats/date_taken.h"
#include "formats/decode_budget.h"
#include "formats/dib_reader.h"
#include "formats/jpeg_exif.h"
#include "formats/picture_log.h"
#include "formats/picture_types.h"
#include "formats/qt_reader_decode.h"

#include <QThread>
#include <algorithm>
#include <new>
#include <semaphore>

namespace gb::formats {

namespace {

    // Nobody keeps a picture this large; refusing early keeps a hostile file out of memory.
    constexpr qint64 kMaxFileBytes = qint64(1) << 30;
    // Enough for the Exif block of nearly every camera picture, and to tell any type apart.
    constexpr qint64 kHeadBytes = 64 * 1024;
    // Files up to this size are read whole: one read, then decoding from memory, is faster than
    // decoding as the file streams in.
    constexpr qint64 kMaxWholeReadBytes = qint64(64) << 20;

    // At most one decode per core runs at once; any number of loads may meanwhile wait on the
    // disk, which on a network share or a camera card is where a load spends its time.
    std::counting_semaphore<>& DecodeSlots()
    {
        static std::counting_semaphore<> slots(std::max(1, QThread::idealThreadCount()));
        return slots;
    }

    // Holds one decode slot while it lives. Taken once per load, around the decode only.
    struct DecodeSlot {
        DecodeSlot() { DecodeSlots().acquire(); }
        ~DecodeSlot() { DecodeSlots().release(); }
        DecodeSlot(const DecodeSlot&) = delete;
        DecodeSlot& operator=(const DecodeSlot&) = delete;
    };

    // Sets why there is no picture, and says so in the log with what made it so.
    std::optional<LoadedPicture> Fail(LoadFailure& failure, LoadFailure why, const char* reason)
    {
        qCInfo(lcPictures, "%s: %s", Describe(why), reason);
        failure = why;
        return std::nullopt;
    }

    // The Exif thumbnail, from the head of the file and what lies beyond it read as needed.
    std::optional<LoadedPicture> EmbeddedThumbnail(
        ByteSource& source, const QByteArray& head, QSize box, LoadFailure& failure)
    {
        if (!head.startsWith("\xff\xd8"))
            return std::nullopt;
        bool readFailed = false;
        const auto read = [&](qint64 offset, qint64 length) {
            if (offset >= 0 && length >= 0 && offset + length <= head.size())
                return head.mid(offset, length);
            QByteArray beyond; // what lies past the end of the file is not there
            if (offset >= 0 && length >= 0 && !source.Read(offset, length, beyond))
                readFailed = true;
            return beyond;
        };
        const auto exif = ReadJpegExif(read);
        if (readFailed)
            return Fail(failure, LoadFailure::Unreadable, "a read of its Exif block failed");
        if (!exif)
            return std::nullopt;
        const DecodeSlot slot;
        auto thumbnail = TrustedEmbeddedThumbnail(*exif, box, read, source.Size());
        return readFailed
            ? Fail(failure, LoadFailure::Unreadable, "a read of its Exif thumbnail failed")
            : thumbnail;
    }

    // What BytesToRead says of a file not to be read whole.
    constexpr qint64 kRefused = -1, kStreamed = -2;

    // How many bytes the type's decoder needs read, or kStreamed when Qt's reader decodes it as
    // the file streams in, or kRefused when the file is beyond what we decode.
    qint64 BytesToRead(const PictureType& type, const QByteArray& head, qint64 size)
    {
        if (size <= kMaxWholeReadBytes)
            return size;
        switch (type.read) {
        case ReadPolicy::WholeOrStream:
            return kStreamed;
        case ReadPolicy::BitmapHeaders: {
            const qint64 wanted = BmpFileBytesNeeded(ByteView(head), size);
            return wanted <= kMaxDecodedBytes ? std::max<qint64>(wanted, 0) : kRefused;
        }
        default:
            return kRefused;
        }
    }

    // Decodes the file as `type`: through `source` as the decoder reads it (on demand, or
    // `streamed` by Qt's reader), else from `bytes`, read whole. Holds a decode slot meanwhile.
    std::optional<LoadedPicture> DecodeAs(const PictureType& type, ByteSource& source,
        const QByteArray& bytes, bool streamed, const PictureOptions& options, bool& readFailed)
    {
        const DecodeSlot slot;
        if (type.read == ReadPolicy::OnDemand)
            return type.decodeSource(source, options, readFailed);
        if (streamed)
            return DecodeStreamWithQtReader(source, type.qtReader, options, readFailed);
        return type.decode ? type.decode(bytes, options)
                           : DecodeBytesWithQtReader(bytes, type.qtReader, options);
    }

    // A smaller copy of the picture its file stores, for a type that has them; read on demand.
    std::optional<LoadedPicture> StoredThumbnail(const PictureType& type, ByteSource& source,
        const PictureOptions& options, LoadFailure& failure)
    {
        if (!type.decodeStoredThumbnail || !options.embeddedThumbnail
            || options.reduceFor.isEmpty())
            return std::nullopt;
        const DecodeSlot slot;
        bool readFailed = false;
        auto picture = type.decodeStoredThumbnail(source, options, readFailed);
        return readFailed
            ? Fail(failure, LoadFailure::Unreadable, "a read of its stored thumbnail failed")
            : picture;
    }

    // `bytes`: what of the file was read into memory, its head or the whole of it.
    std::optional<LoadedPicture> Decode(
        ByteSource& source, const PictureOptions& options, LoadFailure& failure, QByteArray& bytes)
    {
        const qint64 size = source.Size();
        if (size <= 0 || size > kMaxFileBytes)
            return Fail(failure, LoadFailure::NotAPicture, size <= 0 ? "empty" : "over 1 GB");
        if (!source.Read(0, std::min(size, kHeadBytes), bytes))
            return Fail(failure, LoadFailure::Unreadable, "a read of its head failed");
        // The Exif block sits at the start; most of a camera picture need not be read at all then.
        if (options.embeddedThumbnail && !options.reduceFor.isEmpty()) {
            auto embedded = EmbeddedThumbnail(source, bytes, options.reduceFor, failure);
            if (embedded || failure != LoadFailure::None)
                return embedded;
        }
        const PictureType* type = FindPictureType(bytes, source);
        if (!type)
            return Fail(
                failure, LoadFailure::NotAPicture, "its first bytes are of no type we know");
        if (!type->everyTypePatterns.isEmpty() && !(options.everyType && IsAvailable(*type)))
            return Fail(failure, LoadFailure::NotShown, type->name);
        if (auto stored = StoredThumbnail(*type, source, options, failure);
            stored || failure != LoadFailure::None)
            return stored;
        const qint64 wanted
            = type->read == ReadPolicy::OnDemand ? kStreamed : BytesToRead(*type, bytes, size);
        if (wanted == kRefused)
            return Fail(failure, LoadFailure::NotAPicture, "too large to read whole");
        if (wanted != kStreamed && wanted > bytes.size()
            && !source.Read(bytes.size(), wanted - bytes.size(), bytes))
            return Fail(failure, LoadFailure::Unreadable, "a read of its body failed");
        bool readFailed = false;
        auto picture = DecodeAs(*type, source, bytes, wanted == kStreamed, options, readFailed);
        if (readFailed)
            return Fail(failure, LoadFailure::Unreadable, "a read failed while it was decoded");
        if (!picture)
            qCInfo(lcPictures, "%s: the %s decoder refused it", Describe(LoadFailure::NotAPicture),
                type->name);
        return picture;
    }

} // namespace

std::optional<LoadedPicture> DecodePicture(
    ByteSource& source, const PictureOptions& options, LoadFailure& failure)
{
    failure = LoadFailure::None;
    std::optional<LoadedPicture> picture;
    // Each byte crosses the disk or the network once, however often the decoders look at it.
    KeptByteSource kept(source);
    try {
        QByteArray bytes;
        picture = Decode(kept, options, failure, bytes);
        // From the bytes the decode read: a JPEG's Exif segment comes from the kept reads.
        if (picture && options.dateTaken) {
            const auto read = [&kept](qint64 offset, qint64 length) {
                QByteArray beyond;
                return kept.Read(offset, length, beyond) ? beyond : QByteArray();
            };
            if (const auto taken = DateTakenIn(bytes, read))
                picture->takenMs = taken;
        }
    } catch (const std::bad_alloc&) {
        // Qt's containers, our own and LibRaw's allocations throw it: the machine is short of
        // memory, which says nothing of the file.
        return Fail(failure, LoadFailure::OutOfMemory, "an allocation failed");
    }
    if (picture)
        failure = LoadFailure::None;
    else if (failure == LoadFailure::None)
        failure = LoadFailure::NotAPicture;
    return picture;
}

} // namespace gb::formats
