#include "platform/freedesktop_thumbnail_cache.h"

#include "formats/png_decoder.h"
#include "formats/png_text.h"
#include "platform/careful_file.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace gb::platform {

namespace {

    // The four sizes of the cache, smallest first. Other programs may misfile a large thumbnail
    // under a smaller size, so an entry may be up to twice its folder's size; beyond that it is
    // not a thumbnail at all.
    struct SizeFolder {
        const char* name;
        int side;
        constexpr int MaxSide() const { return 2 * side; }
    };
    constexpr SizeFolder kSizeFolders[]
        = { { "normal", 128 }, { "large", 256 }, { "x-large", 512 }, { "xx-large", 1024 } };
    static_assert(std::size(kSizeFolders) == std::size(kThumbnailSides));
    static_assert(kSizeFolders[3].side == kThumbnailSides[3]);
    // Even uncompressed, a PNG of that side stays below this.
    constexpr qint64 MaxEntryBytes(int maxSide) { return qint64(maxSide) * maxSide * 4 + 65536; }
    // Qt's PNG writer turns quality q into zlib level (100 - q) * 9 / 91, so 85 means level 1:
    // entries are written while a folder is being browsed, where speed beats a few bytes.
    constexpr int kFastPngQuality = 85;

    const QByteArray kUriKey = QByteArrayLiteral("Thumb::URI");
    const QByteArray kMTimeKey = QByteArrayLiteral("Thumb::MTime");
    const QByteArray kWidthKey = QByteArrayLiteral("Thumb::Image::Width");
    const QByteArray kHeightKey = QByteArrayLiteral("Thumb::Image::Height");
    // Ours: when the picture was taken, ms since the epoch (UTC); empty when the file gives no
    // date. Keys of other programs than the standard's carry their program's name.
    const QByteArray kTakenKey = QByteArrayLiteral("X-Glimmerbox::DateTaken");
    const QByteArray kSoftwareKey = QByteArrayLiteral("Software");
    const QByteArray kSoftware = QByteArrayLiteral("Glimmerbox 1.0.3");

    QString Absolute(const QString& path)
    {
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }

    bool IsWithin(const QString& path, const QString& folder)
    {
        if (path == folder)
            return true;
        return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
    }

    // The bytes GLib leaves as they are in the path of a file: URI.
    bool IsUriSafe(unsigned char byte)
    {
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9'))
            return true;
        return byte != 0 && std::strchr("!$&'()*+,-./:=@_~", byte) != nullptr;
    }

    // The whole file, when it is a regular file of at most `maxBytes`.
    std::optional<QByteArray> ReadSmallFile(const QString& path, qint64 maxBytes)
    {
        const OpenedFile file = OpenRegularFile(path);
        QByteArray bytes;
        if (!file.Ok() || file.info.st_size > maxBytes
            || ReadAll(file.fd.Get(), file.info.st_size, bytes) != 0)
            return std::nullopt;
        return bytes;
    }

    // Qt keeps the text of a PNG from QImageReader::text under keys cut at the first colon
    // ("Thumb"), so the "Thumb::" keys are only found on the decoded image. The caps on file
    // and picture size keep that decoding small, and so does refusing, as a miss, an entry whose
    // chunks claim more than the file holds or that Qt's reader would show garbled.
    std::optional<QImage> ReadEntry(const QString& file, int maxSide)
    {
        std::optional<QByteArray> bytes = ReadSmallFile(file, MaxEntryBytes(maxSide));
        if (!bytes || formats::ChoosePngRoute(*bytes) != formats::PngRoute::QtReader)
            return std::nullopt;
        QBuffer buffer(&*bytes);
        if (!buffer.open(QIODevice::ReadOnly))
            return std::nullopt;
        QImageReader reader(&buffer, "png");
        reader.setAutoDetectImageFormat(false);
        const QSize size = reader.size();
        if (size.isEmpty() || size.width() > maxSide || size.height() > maxSide)
            return std::nullopt;
        QImage image = reader.read(); // the size read above is the PNG header's, which binds
        if (image.isNull())
            return std::nullopt;
        return image;
    }

    bool Matches(const QImage& entry, const ThumbnailKey& key)
    {
        return entry.text(QString::fromLatin1(kUriKey)) == QLatin1String(key.uri)
            && entry.text(QString::fromLatin1(kMTimeKey)) == QString::number(key.mtime);
    }

    int PositiveNumber(const QString& text)
    {
        bool ok = false;
        const int number = text.toInt(&ok);
        return ok && number > 0 ? number : 0;
    }

    EntryDate DateOf(const QImage& entry)
    {
        const QString key = QString::fromLatin1(kTakenKey);
        if (!entry.textKeys().contains(key))
            return {};
        bool ok = false;
        const qint64 ms = entry.text(key).toLongLong(&ok);
        return { true, ok ? std::optional<qint64>(ms) : std::nullopt };
    }

    QSize NaturalSizeOf(const QImage& entry)
    {
        const int width = PositiveNumber(entry.text(QString::fromLatin1(kWidthKey)));
        const int height = PositiveNumber(entry.text(QString::fromLatin1(kHeightKey)));
        return width > 0 && height > 0 ? QSize(width, height) : QSize();
    }

    // Whether an entry's pixels are the recorded picture scaled down, each side rounded (to at
    // least one pixel): the cross products then differ by less than the two sides together.
    bool HasProportionsOf(const QImage& entry, QSize natural)
    {
        const qint64 across
            = qint64(entry.width()) * natural.height() - qint64(entry.height()) * natural.width();
        return std::abs(across) <= qint64(natural.width()) + natural.height();
    }

    // Fits the picture into a square of `side`, never enlarging it. The result carries none of
    // the picture's own text or colour profile, which have no place in an entry.
    QImage Shrunk(const QImage& picture, int side, QImage::Format format)
    {
        QImage image = picture;
        if (picture.width() > side || picture.height() > side) {
            const double scale
                = std::min(double(side) / picture.width(), double(side) / picture.height());
            const QSize size(std::clamp(qRound(picture.width() * scale), 1, side),
                std::clamp(qRound(picture.height() * scale), 1, side));
            image = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        image = image.convertToFormat(format);
        if (image.isNull())
            return image;
        return QImage(
            image.constBits(), image.width(), image.height(), image.bytesPerLine(), image.format())
            .copy();
    }

    // An entry smaller than the size asked for would have to be enlarged, blurring it, unless it
    // is the whole picture.
    bool Covers(const QImage& entry, QSize naturalSize, int side)
    {
        if (std::max(entry.width(), entry.height()) >= side)
            return true;
        return naturalSize.isValid() && entry.width() >= naturalSize.width()
            && entry.height() >= naturalSize.height();
    }

    const SizeFolder* FolderFor(int side)
    {
        for (const SizeFolder& size : kSizeFolders) {
            if (size.side == side)
                return &size;
        }
        return nullptr;
    }

    QByteArray EncodePng(const QImage& image)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly))
            return {};
        QImageWriter writer(&buffer, "png");
        writer.setQuality(kFastPngQuality);
        if (!writer.write(image))
            return {};
        buffer.close();
        return bytes;
    }

} // namespace

FreedesktopThumbnailCache::FreedesktopThumbnailCache(QString root, QString failureFolder)
    : root_(Absolute(root))
    , failFolder_(QDir::cleanPath(root_ + QStringLiteral("/fail/") + failureFolder))
{
}

QString FreedesktopThumbnailCache::DefaultRoot()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(cache + QStringLiteral("/thumbnails"));
}

QByteArray FreedesktopThumbnailCache::FileUri(const QString& absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray path = QFile::encodeName(absolutePath);
    QByteArray uri = QByteArrayLiteral("file://");
    uri.reserve(uri.size() + path.size() * 3);
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUriSafe(byte)) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0f];
        }
    }
    return uri;
}

QString FreedesktopThumbnailCache::EntryName(const QByteArray& uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex())
        + QStringLiteral(".png");
}

std::optional<ThumbnailKey> FreedesktopThumbnailCache::KeyFor(const QString& path) const
{
    if (path.isEmpty())
        return std::nullopt;
    // File managers key a symbolic link by its own name but its target's time.
    const QString absolute = Absolute(path);
    struct stat info { };
    if (::stat(QFile::encodeName(absolute).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return ThumbnailKey { absolute, FileUri(absolute), static_cast<qint64>(info.st_mtim.tv_sec),
        IsInsideCache(absolute, info.st_dev) };
}

CachedThumbnail FreedesktopThumbnailCache::Find(const ThumbnailKey& key, int side) const
{
    CachedThumbnail found;
    if (key.uri.isEmpty())
        return found;
    const QString name = EntryName(key.uri);
    // The sizes that fill the square first, the smallest of them first, then the smaller ones,
    // largest first: file managers write all sizes, and any good one spares decoding the picture.
    std::vector<SizeFolder> order;
    std::copy_if(std::begin(kSizeFolders), std::end(kSizeFolders), std::back_inserter(order),
        [side](const SizeFolder& size) { return size.side >= side; });
    std::copy_if(std::rbegin(kSizeFolders), std::rend(kSizeFolders), std::back_inserter(order),
        [side](const SizeFolder& size) { return size.side < side; });
    for (const SizeFolder& size : order) {
        const auto entry = ReadEntry(root_ + u'/' + size.name + u'/' + name, size.MaxSide());
        if (!entry || !Matches(*entry, key))
            continue;
        const QSize natural = NaturalSizeOf(*entry);
        // Some programs store a preview unturned but record the turned picture's size (or the
        // other way round): a tile shaped by one and filled with the other comes out squeezed,
        // so such an entry is passed over and the picture decoded.
        if (natural.isValid() && !HasProportionsOf(*entry, natural))
            continue;
        if (size.side < side && !Covers(*entry, natural, side))
            continue;
        found.result = ThumbnailLookup::Hit;
        found.naturalSize = natural;
        found.taken = DateOf(*entry);
        found.image = Shrunk(*entry, side,
            entry->hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        return found;
    }
    // A failure is looked up even beside a stale entry: the file may have been spoilt since.
    const auto failure = ReadEntry(failFolder_ + u'/' + name, kSizeFolders[0].MaxSide());
    if (failure && Matches(*failure, key))
        found.result = ThumbnailLookup::KnownFailure;
    return found;
}

bool FreedesktopThumbnailCache::Save(const ThumbnailKey& key, const QImage& picture,
    QSize naturalSize, int side, const EntryDate& taken) const
{
    const SizeFolder* folder = FolderFor(side);
    if (!folder || picture.isNull() || !MayStore(key))
        return false;
    const QImage image = Shrunk(
        picture, side, picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return false;
    QList<formats::PngText> facts;
    if (naturalSize.width() > 0 && naturalSize.height() > 0)
        facts = { { kWidthKey, QByteArray::number(naturalSize.width()) },
            { kHeightKey, QByteArray::number(naturalSize.height()) } };
    if (taken.recorded)
        facts.push_back(
            { kTakenKey, taken.takenMs ? QByteArray::number(*taken.takenMs) : QByteArray() });
    return Store(root_ + u'/' + QLatin1String(folder->name), key, image, facts);
}

bool FreedesktopThumbnailCache::SaveFailure(const ThumbnailKey& key) const
{
    if (!MayStore(key))
        return false;
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    return Store(failFolder_, key, mark, {});
}

bool FreedesktopThumbnailCache::MayStore(const ThumbnailKey& key) const
{
    return !key.uri.isEmpty() && !key.path.isEmpty() && !key.insideCache
        && !IsWithin(Absolute(key.path), root_);
}

// Thumbnails of the cache's own files would breed without end as a viewer browses it.
bool FreedesktopThumbnailCache::IsInsideCache(const QString& absolute, dev_t device) const
{
    if (IsWithin(absolute, root_))
        return true;
    // A file on another file system than the cache (every file of a share) cannot be inside
    // it: one local stat spares resolving every folder of the file's path, on every load.
    struct stat rootInfo { };
    if (::stat(QFile::encodeName(root_).constData(), &rootInfo) != 0 || rootInfo.st_dev != device)
        return false;
    // Again through symbolic links, such as a ~/.cache that points to another disk.
    const QString realRoot = QFileInfo(root_).canonicalFilePath();
    const QString realPath = QFileInfo(absolute).canonicalFilePath();
    return !realRoot.isEmpty() && !realPath.isEmpty() && IsWithin(realPath, realRoot);
}

bool FreedesktopThumbnailCache::Store(const QString& folder, const ThumbnailKey& key,
    const QImage& image, const QList<formats::PngText>& size) const
{
    // GLib reads only uncompressed text, so the keys go in as tEXt chunks of our own making
    // (Qt's writer compresses longer texts); the URI is all ASCII once escaped.
    const QList<formats::PngText> text = QList<formats::PngText> { { kUriKey, key.uri },
        { kMTimeKey, QByteArray::number(key.mtime) }, { kSoftwareKey, kSoftware } }
        + size;
    const QByteArray png = formats::WithPngText(EncodePng(image), text);
    // Readers see the old entry or the new one, never half of one; each writer has its own
    // temporary file, so threads saving the same entry do not trample each other.
    return !png.isEmpty() && MakePrivateFolders(QFile::encodeName(folder)) == 0
        && ReplaceAtomically(folder + u'/' + EntryName(key.uri), png, Durability::Cache) == 0;
}

} // namespace gb::platform
