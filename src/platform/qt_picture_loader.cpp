#include "platform/qt_picture_loader.h"

#include "formats/icon_directory.h"
#include "formats/jpeg_exif.h"
#include "formats/metafile_loader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
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
    // than decoding as the file streams in. Larger JPEGs, GIFs and bitmaps stream, so a huge
    // file never sits in memory; the types parsed from memory are refused beyond it.
    constexpr qint64 kMaxWholeReadBytes = qint64(64) << 20;
    // Qt's own limit and ours: a decoded picture of more than this is refused before decoding.
    constexpr int kAllocationLimitMb = 256;
    constexpr qint64 kMaxDecodedBytes = qint64(kAllocationLimitMb) * 1024 * 1024;
    const QSize kLargeIconSize(32, 32);

    constexpr qsizetype kFileHeaderSize = 14;
    constexpr quint32 kCoreHeader = 12, kInfoHeader = 40, kV2Header = 52, kV3Header = 56,
                      kV4Header = 108, kV5Header = 124;
    constexpr quint32 kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

    quint32 U16(const QByteArray& b, qsizetype at)
    {
        return qFromLittleEndian<quint16>(b.constData() + at);
    }
    quint32 U32(const QByteArray& b, qsizetype at)
    {
        return qFromLittleEndian<quint32>(b.constData() + at);
    }
    qint32 S32(const QByteArray& b, qsizetype at)
    {
        return qFromLittleEndian<qint32>(b.constData() + at);
    }
    void SetU32(QByteArray& b, qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); }

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

    struct DibHeader {
        quint32 size = 0;
        qint64 width = 0;
        qint64 height = 0;
        quint32 planes = 0;
        quint32 bits = 0;
        quint32 compression = kBiRgb;
        quint32 coloursUsed = 0;
    };

    std::optional<DibHeader> ReadDibHeader(const QByteArray& b, qsizetype at)
    {
        if (b.size() - at < 16)
            return std::nullopt;
        DibHeader h;
        h.size = U32(b, at);
        if (h.size == kCoreHeader) {
            h.width = U16(b, at + 4);
            h.height = U16(b, at + 6);
            h.planes = U16(b, at + 8);
            h.bits = U16(b, at + 10);
            return h;
        }
        const std::array known { kInfoHeader, kV2Header, kV3Header, kV4Header, kV5Header };
        if (std::find(known.begin(), known.end(), h.size) == known.end()
            || b.size() - at < qsizetype(h.size))
            return std::nullopt;
        h.width = S32(b, at + 4);
        h.height = S32(b, at + 8);
        h.planes = U16(b, at + 12);
        h.bits = U16(b, at + 14);
        h.compression = U32(b, at + 16);
        h.coloursUsed = U32(b, at + 32);
        return h;
    }

    bool IsPlausible(const DibHeader& h)
    {
        const std::array depths { 1u, 4u, 8u, 16u, 24u, 32u };
        const bool compressionFits = h.compression == kBiRgb
            || (h.compression == kBiRle8 && h.bits == 8)
            || (h.compression == kBiRle4 && h.bits == 4)
            || (h.compression == kBiBitfields && (h.bits == 16 || h.bits == 32));
        return h.width > 0 && h.height != 0 && h.width <= 0xffff && qAbs(h.height) <= 0xffff
            && h.planes == 1 && std::find(depths.begin(), depths.end(), h.bits) != depths.end()
            && compressionFits && h.coloursUsed <= 256;
    }

    // A packed DIB (as the clipboard and some old programs save it) gets the file header it
    // lacks, with the pixel offset worked out from the header, masks and palette.
    std::optional<QByteArray> WrapHeaderlessDib(const QByteArray& dib)
    {
        const auto header = ReadDibHeader(dib, 0);
        if (!header || !IsPlausible(*header))
            return std::nullopt;
        const bool separateMasks
            = header->size == kInfoHeader && header->compression == kBiBitfields;
        const quint32 paletteEntries = header->coloursUsed != 0 ? header->coloursUsed
            : header->bits <= 8                                 ? 1u << header->bits
                                                                : 0u;
        const qint64 pixelOffset = kFileHeaderSize + header->size + (separateMasks ? 12 : 0)
            + qint64(paletteEntries) * (header->size == kCoreHeader ? 3 : 4);
        if (pixelOffset > kFileHeaderSize + dib.size())
            return std::nullopt;
        QByteArray file("BM");
        file.append(12, '\0');
        SetU32(file, 2, static_cast<quint32>(kFileHeaderSize + dib.size()));
        SetU32(file, 10, static_cast<quint32>(pixelOffset));
        return file + dib;
    }

    // Qt reads neither BITMAPV2INFOHEADER nor BITMAPV3INFOHEADER, which are BITMAPV4HEADER cut
    // short after the masks; so extend them to a V4 header, everything after it moved along.
    QByteArray ExtendShortBmpHeader(const QByteArray& bmp)
    {
        const auto header = ReadDibHeader(bmp, kFileHeaderSize);
        if (!header || (header->size != kV2Header && header->size != kV3Header))
            return bmp;
        QByteArray v4 = bmp.mid(kFileHeaderSize, header->size);
        if (header->size == kV2Header)
            v4.append(4, '\0'); // no alpha mask
        v4.append("BGRs", 4); // LCS_sRGB
        v4.append(kV4Header - v4.size(), '\0');
        SetU32(v4, 0, kV4Header);
        QByteArray out = bmp.left(kFileHeaderSize) + v4 + bmp.mid(kFileHeaderSize + header->size);
        const quint32 growth = kV4Header - header->size;
        SetU32(out, 2, static_cast<quint32>(out.size()));
        SetU32(out, 10, U32(out, 10) + growth);
        return out;
    }

    bool IsShownFormat(const QByteArray& format)
    {
        static const std::array<QByteArray, 5> shown { "bmp", "dib", "gif", "jpeg", "ico" };
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

    QImage ToDisplayFormat(const QImage& image)
    {
        return image.convertToFormat(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
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
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return LoadedPicture { ToDisplayFormat(image), upright };
    }

    std::optional<LoadedPicture> DecodeBytes(const QByteArray& bytes, const PictureOptions& options)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        if (!buffer.open(QIODevice::ReadOnly))
            return std::nullopt;
        return Decode(buffer, bytes, options);
    }

    // What the first bytes say a file is. Only the types we show are read any further, so a
    // video or disk image named like a picture costs one small read, not its size in memory.
    enum class Kind { Unknown, Streamable, WholeBitmap, Icon, HeaderlessDib, Metafile };

    Kind Sniff(const QByteArray& head)
    {
        if (formats::MetafileLoader::IsMetafile(head)) // judged by its first 44 bytes
            return Kind::Metafile;
        if (head.startsWith("BM")) {
            const auto header = ReadDibHeader(head, kFileHeaderSize);
            const bool shortV4 = header && (header->size == kV2Header || header->size == kV3Header);
            return shortV4 ? Kind::WholeBitmap : Kind::Streamable;
        }
        if (head.startsWith("\xff\xd8") || head.startsWith("GIF87a") || head.startsWith("GIF89a"))
            return Kind::Streamable;
        if (head.size() >= 4 && U16(head, 0) == 0 && (U16(head, 2) == 1 || U16(head, 2) == 2))
            return Kind::Icon;
        const auto dib = ReadDibHeader(head, 0);
        return dib && IsPlausible(*dib) ? Kind::HeaderlessDib : Kind::Unknown;
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
    if (size > kMaxWholeReadBytes) {
        if (kind != Kind::Streamable)
            return std::nullopt;
        return file->file->seek(0) ? Decode(*file->file, head, options) : std::nullopt;
    }
    QByteArray bytes = std::move(head);
    ReadAt(fd, bytes.size(), size - bytes.size(), bytes);
    switch (kind) {
    case Kind::Metafile:
        return formats::MetafileLoader::Load(bytes, options);
    case Kind::HeaderlessDib: {
        const auto wrapped = WrapHeaderlessDib(bytes);
        return wrapped ? DecodeBytes(ExtendShortBmpHeader(*wrapped), options) : std::nullopt;
    }
    case Kind::WholeBitmap:
        return DecodeBytes(ExtendShortBmpHeader(bytes), options);
    default:
        return DecodeBytes(bytes, options);
    }
}

} // namespace gb::platform
