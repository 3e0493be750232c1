#include "platform/qt_picture_loader.h"

#include "formats/byte_view.h"
#include "formats/decode_budget.h"
#include "formats/dib_header.h"
#include "formats/dib_reader.h"
#include "formats/display_colours.h"
#include "formats/exif_orientation.h"
#include "formats/heif_decoder.h"
#include "formats/icon_bitmap.h"
#include "formats/icon_directory.h"
#include "formats/jpeg_decoder.h"
#include "formats/jpeg_exif.h"
#include "formats/jxl_decoder.h"
#include "formats/metafile_loader.h"
#include "platform/careful_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QThread>
#include <algorithm>
#include <array>
#include <semaphore>
#include <sys/stat.h>

namespace gb::platform {

namespace {

    // Nobody keeps a picture this large; refusing early keeps a hostile file out of memory.
    constexpr qint64 kMaxFileBytes = qint64(1) << 30;
    // Enough for the Exif block of nearly every camera picture, and to tell any type apart.
    constexpr qint64 kHeadBytes = 64 * 1024;
    // Files up to this size are read whole: one read, then decoding from memory, is faster
    // than decoding as the file streams in. Larger JPEGs and GIFs stream, so a huge file never
    // sits in memory; of a larger bitmap only what its headers claim is read (up to the decoded
    // limit); the other types parsed from memory are refused beyond it.
    constexpr qint64 kMaxWholeReadBytes = qint64(64) << 20;
    // Qt's own limit and ours: a decoded picture of more than this is refused before decoding.
    constexpr int kAllocationLimitMb = 256;
    constexpr qint64 kMaxDecodedBytes = qint64(kAllocationLimitMb) * 1024 * 1024;
    const QSize kLargeIconSize(32, 32);
    constexpr qsizetype kFileHeaderSize = 14; // "BM", file size, reserved, pixel offset

    constexpr quint16 kIconType = 1, kCursorType = 2;

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

    std::optional<LoadedPicture> Unreadable(LoadFailure& failure)
    {
        failure = LoadFailure::Unreadable;
        return std::nullopt;
    }

    // Appends `length` bytes from `offset` on, all of which the file's size says are there. False
    // when a read fails or the file ends sooner: it shrank while it was read.
    bool ReadWhole(int fd, qint64 offset, qint64 length, QByteArray& into)
    {
        const qsizetype before = into.size();
        return ReadAt(fd, offset, length, into) == 0 && into.size() - before == length;
    }

    // Whether the file is still as it was opened: rewritten in place while it was read, its bytes
    // may be half old and half new.
    bool Unchanged(const OpenedFile& file)
    {
        struct stat now { };
        return ::fstat(file.fd.Get(), &now) == 0 && now.st_size == file.info.st_size
            && now.st_mtim.tv_sec == file.info.st_mtim.tv_sec
            && now.st_mtim.tv_nsec == file.info.st_mtim.tv_nsec;
    }

    // The Exif thumbnail, from the head of the file and what lies beyond it read as needed.
    std::optional<LoadedPicture> EmbeddedThumbnail(
        const OpenedFile& file, const QByteArray& head, QSize box, LoadFailure& failure)
    {
        if (!head.startsWith("\xff\xd8"))
            return std::nullopt;
        const int fd = file.fd.Get();
        const qint64 size = file.info.st_size;
        bool readFailed = false;
        const auto read = [&](qint64 offset, qint64 length) {
            if (offset >= 0 && length >= 0 && offset + length <= head.size())
                return head.mid(offset, length);
            QByteArray beyond; // what lies past the end of the file is not there
            if (offset >= 0 && length >= 0 && offset < size
                && ReadAt(fd, offset, std::min(length, size - offset), beyond) != 0)
                readFailed = true;
            return beyond;
        };
        const auto exif = formats::ReadJpegExif(read);
        if (readFailed || !Unchanged(file))
            return Unreadable(failure);
        if (!exif)
            return std::nullopt;
        const DecodeSlot slot;
        auto thumbnail = formats::TrustedEmbeddedThumbnail(*exif, box, read, size);
        if (readFailed || !Unchanged(file))
            return Unreadable(failure);
        return thumbnail;
    }

    bool IsShownFormat(const QByteArray& format, const PictureOptions& options)
    {
        static const std::array<QByteArray, 2> shown { "gif", "jpeg" };
        // Shown only when every type is (see Kind::EveryType); Qt's image plugins decode them.
        static const std::array<QByteArray, 3> more { "png", "webp", "tiff" };
        const QByteArray name = format.toLower();
        return std::find(shown.begin(), shown.end(), name) != shown.end()
            || (options.everyType && std::find(more.begin(), more.end(), name) != more.end());
    }

    // Converted in place, so a decoded picture is never held twice.
    QImage ToDisplayFormat(QImage image)
    {
        image.convertTo(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        return image;
    }

    // A picture Qt's readers decode: a GIF, a streamed JPEG, or one of the types shown only when
    // every type is. Icons and read-whole JPEGs have decoders of their own.
    std::optional<LoadedPicture> Decode(QIODevice& device, const PictureOptions& options)
    {
        QImageReader reader(&device);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        const QByteArray format = reader.format();
        if (!IsShownFormat(format, options))
            return std::nullopt;
        // The stored size: for JPEG that is before the Exif rotation, as is the scaled size.
        const QSize stored = reader.size();
        if (stored.isEmpty() || qint64(stored.width()) * stored.height() * 4 > kMaxDecodedBytes)
            return std::nullopt;
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize upright = turned ? stored.transposed() : stored;
        if (format == "jpeg" && options.reduceFor.isValid() && !options.reduceFor.isEmpty()) {
            const int factor = formats::JpegReduction(upright, options.reduceFor);
            if (factor > 1)
                reader.setScaledSize(QSize((stored.width() + factor - 1) / factor,
                    (stored.height() + factor - 1) / factor));
        }
        const QSize decoded = reader.scaledSize().isValid() ? reader.scaledSize() : stored;
        const auto reservation = formats::DecodeBudget::Shared().Reserve(
            qint64(decoded.width()) * decoded.height() * 4);
        if (!reservation)
            return std::nullopt;
        QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return LoadedPicture { ToDisplayFormat(formats::InDisplayColours(std::move(image))),
            upright };
    }

    // Reserves from the budget shared by all decodes what a bitmap with this header decodes to;
    // empty when the header is unreadable or the bitmap could never fit.
    formats::DecodeBudget::Reservation ReserveBitmap(const formats::ByteView& header)
    {
        auto& budget = formats::DecodeBudget::Shared();
        const auto dib = formats::DibHeader::Read(header);
        const qint64 width = dib ? dib->width : 0, height = dib ? qAbs(dib->height) : 0;
        if (width <= 0 || height <= 0 || width > budget.Total() / 4 / height)
            return {};
        return budget.Reserve(width * height * 4);
    }

    std::optional<LoadedPicture> ShownBitmap(std::optional<QImage> image)
    {
        if (!image)
            return std::nullopt;
        const QSize size = image->size();
        return LoadedPicture { ToDisplayFormat(std::move(*image)), size };
    }

    std::optional<LoadedPicture> DecodeBytes(const QByteArray& bytes, const PictureOptions& options)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        if (!buffer.open(QIODevice::ReadOnly))
            return std::nullopt;
        // Qt's PNG and WebP readers leave the Exif orientation to us; its TIFF reader applies it.
        auto picture = Decode(buffer, options);
        const int orientation = picture ? formats::EmbeddedOrientation(bytes) : 1;
        return picture ? formats::TurnedUpright(std::move(*picture), orientation) : picture;
    }

    // An icon's PNG image, given to Qt's PNG reader alone: its icon reader refuses a file whose
    // directory gives a bit count above 32, which means nothing for a PNG image.
    std::optional<LoadedPicture> DecodeIconPng(QByteArray png)
    {
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::ReadOnly))
            return std::nullopt;
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (size.isEmpty() || qint64(size.width()) * size.height() * 4 > kMaxDecodedBytes)
            return std::nullopt;
        const auto reservation
            = formats::DecodeBudget::Shared().Reserve(qint64(size.width()) * size.height() * 4);
        QImage image = reservation ? reader.read() : QImage();
        return image.isNull() ? std::nullopt : ShownBitmap(std::move(image));
    }

    // The images of icons and cursors are ours to pick and decode: Qt refuses those whose
    // directory disagrees with their bitmap. PNG images are still decoded by Qt.
    std::optional<LoadedPicture> LoadIcon(const QByteArray& bytes, const PictureOptions& options)
    {
        const auto entries = formats::ReadIconDirectory(bytes);
        const auto index = options.largeIcon ? formats::ChooseIconEntry(bytes, kLargeIconSize)
                                             : std::optional(0);
        if (!entries || !index)
            return std::nullopt;
        const auto entry = std::find_if(entries->begin(), entries->end(),
            [&index](const formats::IconDirectoryEntry& e) { return e.index == *index; });
        if (entry == entries->end())
            return std::nullopt;
        // The bitmap may run past the byte count the directory gives: its header says how far.
        const formats::ByteView file(bytes);
        const formats::ByteView payload = file.Part(entry->offset, file.Size() - entry->offset);
        if (bytes.mid(entry->offset, 4) == "\x89PNG")
            return DecodeIconPng(bytes.mid(entry->offset, entry->bytes));
        const auto reservation = ReserveBitmap(payload);
        return reservation ? ShownBitmap(formats::DecodeIconBitmap(payload)) : std::nullopt;
    }

    // What the first bytes say a file is. Only the types we show are read any further, so a
    // video or disk image named like a picture costs one small read, not its size in memory.
    // A JPEG read whole is decoded by libjpeg straight into 32-bit rows; streamed, by Qt's reader.
    enum class Kind {
        Unknown,
        Jpeg,
        Gif,
        Bitmap,
        Icon,
        HeaderlessDib,
        Metafile,
        EveryType, // PNG, WebP or TIFF: read whole, and only when every type is shown
        Heif, // HEIC or AVIF, decoded by libheif: likewise
        Jxl, // JPEG XL, decoded by libjxl: likewise
    };

    // The Qt reader of a picture shown only when every type is; empty for any other file.
    QByteArray EveryTypeReader(const QByteArray& head)
    {
        static const std::pair<QByteArrayView, QByteArray> kSignatures[]
            = { { { "\x89PNG\r\n\x1a\n", 8 }, "png" }, { { "II*\0", 4 }, "tiff" },
                  { { "MM\0*", 4 }, "tiff" } };
        for (const auto& [signature, reader] : kSignatures) {
            if (head.startsWith(signature))
                return reader;
        }
        return head.startsWith("RIFF") && head.mid(8, 4) == "WEBP" ? "webp" : QByteArray();
    }

    // WebP and TIFF come with Qt's image format plugins, which may not be installed.
    bool HasReader(const QByteArray& reader)
    {
        static const QList<QByteArray> kReaders = QImageReader::supportedImageFormats();
        return kReaders.contains(reader);
    }

    Kind Sniff(const QByteArray& head)
    {
        if (formats::MetafileLoader::IsMetafile(head)) // judged by its first 44 bytes
            return Kind::Metafile;
        if (head.startsWith("BM"))
            return Kind::Bitmap;
        if (head.startsWith("\xff\xd8"))
            return Kind::Jpeg;
        if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
            return Kind::Gif;
        if (!EveryTypeReader(head).isEmpty())
            return Kind::EveryType;
        if (formats::IsHeif(head))
            return Kind::Heif;
        if (formats::IsJxl(head))
            return Kind::Jxl;
        const formats::ByteView bytes(head);
        const quint16 type = bytes.U16(2);
        if (bytes.Fits(0, 4) && bytes.U16(0) == 0 && (type == kIconType || type == kCursorType))
            return Kind::Icon;
        const auto dib = formats::DibHeader::Read(bytes);
        return dib && dib->IsPlausible() ? Kind::HeaderlessDib : Kind::Unknown;
    }

    // A large JPEG or GIF, decoded as it is read. A decoder takes a failed read for the end of
    // the picture and shows the rest grey, so the file's own error decides.
    std::optional<LoadedPicture> DecodeStreaming(
        const OpenedFile& file, const PictureOptions& options, LoadFailure& failure)
    {
        QFile device;
        std::optional<LoadedPicture> picture;
        if (device.open(file.fd.Get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            const DecodeSlot slot;
            picture = Decode(device, options);
        }
        if (!device.isOpen() || device.error() != QFileDevice::NoError || !Unchanged(file))
            return Unreadable(failure);
        return picture;
    }

    std::optional<LoadedPicture> DecodeRead(
        Kind kind, const QByteArray& bytes, const PictureOptions& options)
    {
        const formats::ByteView view(bytes);
        const DecodeSlot slot;
        switch (kind) {
        case Kind::Metafile:
            return formats::MetafileLoader::Load(bytes, options);
        case Kind::HeaderlessDib: {
            const auto reservation = ReserveBitmap(view);
            return reservation ? ShownBitmap(formats::DecodePackedDib(view)) : std::nullopt;
        }
        case Kind::Bitmap: {
            const auto reservation
                = ReserveBitmap(view.Part(kFileHeaderSize, view.Size() - kFileHeaderSize));
            return reservation ? ShownBitmap(formats::DecodeBmpFile(view)) : std::nullopt;
        }
        case Kind::Icon:
            return LoadIcon(bytes, options);
        case Kind::Jpeg: {
            formats::JpegRequest request;
            request.reduceFor = options.reduceFor;
            return formats::DecodeJpeg(bytes, request);
        }
        case Kind::Heif:
            return formats::DecodeHeif(bytes, options);
        case Kind::Jxl:
            return formats::DecodeJxl(bytes, options);
        default:
            return DecodeBytes(bytes, options);
        }
    }

    // Any failure not marked Unreadable or NotShown is the content's.
    std::optional<LoadedPicture> Load(
        const QString& path, const PictureOptions& options, LoadFailure& failure)
    {
        const OpenedFile file = OpenRegularFile(path);
        if (!file.Ok())
            return Unreadable(failure);
        const qint64 size = file.info.st_size;
        if (size <= 0 || size > kMaxFileBytes)
            return std::nullopt;
        QByteArray head;
        if (!ReadWhole(file.fd.Get(), 0, std::min(size, kHeadBytes), head))
            return Unreadable(failure);
        // The Exif block sits at the start; most of a camera picture need not be read at all then.
        if (options.embeddedThumbnail && !options.reduceFor.isEmpty()) {
            auto embedded = EmbeddedThumbnail(file, head, options.reduceFor, failure);
            if (embedded || failure != LoadFailure::None)
                return embedded;
        }
        const Kind kind = Sniff(head);
        if (kind == Kind::Unknown)
            return std::nullopt;
        const bool ours = kind == Kind::Heif || kind == Kind::Jxl;
        const bool decodable = ours || HasReader(EveryTypeReader(head));
        if ((kind == Kind::EveryType || ours) && !(options.everyType && decodable)) {
            failure = LoadFailure::NotShown;
            return std::nullopt;
        }
        // A bitmap larger than the whole-read limit is read as far as its headers say it goes.
        const qint64 wanted = kind == Kind::Bitmap && size > kMaxWholeReadBytes
            ? formats::BmpFileBytesNeeded(formats::ByteView(head), size)
            : size;
        if (wanted > kMaxWholeReadBytes && kind != Kind::Bitmap)
            return kind == Kind::Jpeg || kind == Kind::Gif ? DecodeStreaming(file, options, failure)
                                                           : std::nullopt;
        if (wanted > kMaxDecodedBytes)
            return std::nullopt;
        QByteArray bytes = std::move(head);
        const qint64 more = std::max<qint64>(0, wanted - bytes.size());
        if (!ReadWhole(file.fd.Get(), bytes.size(), more, bytes) || !Unchanged(file))
            return Unreadable(failure);
        return DecodeRead(kind, bytes, options);
    }

} // namespace

QtPictureLoader::QtPictureLoader()
{
    // The limit is process-wide in Qt; setting it once keeps concurrent loads free of races.
    static const bool limitSet = [] {
        QImageReader::setAllocationLimit(kAllocationLimitMb);
        return true;
    }();
    Q_UNUSED(limitSet);
}

std::optional<LoadedPicture> QtPictureLoader::LoadPicture(
    const QString& path, const PictureOptions& options, LoadFailure* failure) const
{
    LoadFailure why = LoadFailure::None;
    std::optional<LoadedPicture> picture = Load(path, options, why);
    if (failure)
        *failure = picture             ? LoadFailure::None
            : why == LoadFailure::None ? LoadFailure::NotAPicture
                                       : why;
    return picture;
}

} // namespace gb::platform
