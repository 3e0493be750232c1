#include "platform/qt_picture_loader.h"

#include "formats/byte_view.h"
#include "formats/decode_budget.h"
#include "formats/dib_header.h"
#include "formats/dib_reader.h"
#include "formats/icon_bitmap.h"
#include "formats/icon_directory.h"
#include "formats/jpeg_exif.h"
#include "formats/metafile_loader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

    struct OpenFile {
        std::unique_ptr<QFile> file; // owns the descriptor
        qint64 size = 0;
    };

    // Opens only a regular file: a FIFO, socket or device must never be opened in blocking mode,
    // and the check is repeated on the descriptor in case the path was swapped in between.
    std::optional<OpenFile> OpenRegularFile(const QString& path)
    {
        const QByteArray native = QFile::encodeName(path);
        struct stat info { };
        if (native.isEmpty() || ::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return std::nullopt;
        auto file = std::make_unique<QFile>();
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0
            || info.st_size > kMaxFileBytes
            || !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return std::nullopt;
        }
        return OpenFile { std::move(file), info.st_size };
    }

    // Appends up to `length` bytes from `offset` on; fewer when the file ends sooner.
    void ReadAt(int fd, qint64 offset, qint64 length, QByteArray& into)
    {
        if (offset < 0 || length <= 0 || length > kMaxFileBytes)
            return;
        const qsizetype start = into.size();
        into.resize(start + length);
        qint64 done = 0;
        while (done < length) {
            const ssize_t got
                = ::pread(fd, into.data() + start + done, length - done, offset + done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        into.resize(start + done);
    }

    // The Exif thumbnail, from the head of the file and what lies beyond it read as needed.
    std::optional<LoadedPicture> EmbeddedThumbnail(int fd, const QByteArray& head, QSize box)
    {
        if (!head.startsWith("\xff\xd8"))
            return std::nullopt;
        const auto exif = formats::ReadJpegExif([fd, &head](qint64 offset, qint64 length) {
            if (offset >= 0 && length >= 0 && offset + length <= head.size())
                return head.mid(offset, length);
            QByteArray beyond;
            ReadAt(fd, offset, length, beyond);
            return beyond;
        });
        return exif ? formats::TrustedEmbeddedThumbnail(*exif, box) : std::nullopt;
    }

    bool IsShownFormat(const QByteArray& format)
    {
        static const std::array<QByteArray, 3> shown { "gif", "jpeg", "ico" };
        return std::find(shown.begin(), shown.end(), format.toLower()) != shown.end();
    }

    // libjpeg scales by 1/2, 1/4 or 1/8 while decoding. Take the strongest reduction that still
    // leaves twice the size the picture gets when fitted into the box.
    int JpegReduction(QSize upright, QSize box)
    {
        const QSize fitted = upright.scaled(box, Qt::KeepAspectRatio);
        for (int factor : { 8, 4, 2 }) {
            const int w = (upright.width() + factor - 1) / factor;
            const int h = (upright.height() + factor - 1) / factor;
            if (w >= 2 * fitted.width() && h >= 2 * fitted.height())
                return factor;
        }
        return 1;
    }

    // Converted in place, so a decoded picture is never held twice.
    QImage ToDisplayFormat(QImage image)
    {
        image.convertTo(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        return image;
    }

    // `device` holds the picture; `bytes` the whole file when it had to be read (icons).
    std::optional<LoadedPicture> Decode(
        QIODevice& device, const QByteArray& bytes, const PictureOptions& options)
    {
        QImageReader reader(&device);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        const QByteArray format = reader.format();
        if (!IsShownFormat(format))
            return std::nullopt;
        if (format == "ico" && options.largeIcon) {
            const auto index = formats::ChooseIconEntry(bytes, kLargeIconSize);
            if (index && *index > 0 && !reader.jumpToImage(*index))
                return std::nullopt;
        }
        // The stored size: for JPEG that is before the Exif rotation, as is the scaled size.
        const QSize stored = reader.size();
        if (stored.isEmpty() || qint64(stored.width()) * stored.height() * 4 > kMaxDecodedBytes)
            return std::nullopt;
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize upright = turned ? stored.transposed() : stored;
        if (format == "jpeg" && options.reduceFor.isValid() && !options.reduceFor.isEmpty()) {
            const int factor = JpegReduction(upright, options.reduceFor);
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
        return LoadedPicture { ToDisplayFormat(std::move(image)), upright };
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
        return Decode(buffer, bytes, options);
    }

    // The bitmap images of icons and cursors are ours to decode: Qt refuses those whose
    // directory disagrees with their bitmap. PNG images are still Qt's.
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
            return DecodeBytes(bytes, options);
        const auto reservation = ReserveBitmap(payload);
        return reservation ? ShownBitmap(formats::DecodeIconBitmap(payload)) : std::nullopt;
    }

    // What the first bytes say a file is. Only the types we show are read any further, so a
    // video or disk image named like a picture costs one small read, not its size in memory.
    enum class Kind { Unknown, Streamable, Bitmap, Icon, HeaderlessDib, Metafile };

    Kind Sniff(const QByteArray& head)
    {
        if (formats::MetafileLoader::IsMetafile(head)) // judged by its first 44 bytes
            return Kind::Metafile;
        if (head.startsWith("BM"))
            return Kind::Bitmap;
        if (head.startsWith("\xff\xd8") || head.startsWith("GIF87a") || head.startsWith("GIF89a"))
            return Kind::Streamable;
        const formats::ByteView bytes(head);
        const quint16 type = bytes.U16(2);
        if (bytes.Fits(0, 4) && bytes.U16(0) == 0 && (type == kIconType || type == kCursorType))
            return Kind::Icon;
        const auto dib = formats::DibHeader::Read(bytes);
        return dib && dib->IsPlausible() ? Kind::HeaderlessDib : Kind::Unknown;
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
    const QString& path, const PictureOptions& options) const
{
    const auto file = OpenRegularFile(path);
    if (!file)
        return std::nullopt;
    const int fd = file->file->handle();
    const qint64 size = file->size;
    QByteArray head;
    ReadAt(fd, 0, std::min(size, kHeadBytes), head);
    // The Exif block sits at the start; most of a camera picture need not be read at all then.
    if (options.embeddedThumbnail && !options.reduceFor.isEmpty()) {
        if (auto embedded = EmbeddedThumbnail(fd, head, options.reduceFor))
            return embedded;
    }
    const Kind kind = Sniff(head);
    if (kind == Kind::Unknown)
        return std::nullopt;
    // A bitmap larger than the whole-read limit is read as far as its headers say it goes.
    const qint64 wanted = kind == Kind::Bitmap && size > kMaxWholeReadBytes
        ? formats::BmpFileBytesNeeded(formats::ByteView(head), size)
        : size;
    if (wanted > kMaxWholeReadBytes && kind != Kind::Bitmap) {
        if (kind != Kind::Streamable)
            return std::nullopt;
        return file->file->seek(0) ? Decode(*file->file, head, options) : std::nullopt;
    }
    if (wanted > kMaxDecodedBytes)
        return std::nullopt;
    QByteArray bytes = std::move(head);
    ReadAt(fd, bytes.size(), wanted - bytes.size(), bytes);
    const formats::ByteView view(bytes);
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
    default:
        return DecodeBytes(bytes, options);
    }
}

} // namespace gb::platform
