#include "formats/tiff_layout.h"

#include "formats/byte_view.h"

#include <algorithm>
#include <iterator>

namespace gb::formats {

namespace {

    // Real directories hold a few dozen entries; a count beyond this is a broken or hostile one.
    constexpr quint32 kMaxEntries = 512;
    // Pyramids of a scanner's or a slide scanner's TIFF hold a dozen levels at most.
    constexpr int kMaxDirectories = 64;
    constexpr quint32 kMaxSubDirectories = 16;
    constexpr qint64 kEntryBytes = 12, kHeaderBytes = 8;

    constexpr quint16 kNewSubfileType = 0x00fe, kImageWidth = 0x0100, kImageLength = 0x0101,
                      kCompression = 0x0103, kPhotometric = 0x0106, kStripOffsets = 0x0111,
                      kOrientation = 0x0112, kSamplesPerPixel = 0x0115, kRowsPerStrip = 0x0116,
                      kStripByteCounts = 0x0117, kPlanarConfiguration = 0x011c, kTileWidth = 0x0142,
                      kTileLength = 0x0143, kTileOffsets = 0x0144, kTileByteCounts = 0x0145,
                      kSubIfds = 0x014a, kJpegAt = 0x0201, kJpegBytes = 0x0202,
                      kIccProfile = 0x8773, kDngVersion = 0xc612;
    constexpr quint32 kColourFilterArray = 32803, kLinearRaw = 34892, kSeparatePlanes = 2;
    // The raw compressions of camera makers' own that LibRaw reads: Kodak's (262, 65000),
    // Sony's, Epson's and Samsung's (32767 … 32772), Nikon's (34713) and Pentax's (65535).
    constexpr quint32 kRawCompressions[] = { 262, 32767, 32769, 32770, 32772, 34713, 65000, 65535 };
    constexpr quint16 kUndefined = 7, kShort = 3, kLong = 4, kIfd = 13;
    constexpr quint32 kMaxIccBytes = 1 << 20;
    constexpr quint32 kReducedImage = 1; // NewSubfileType bit 0

    struct Entry {
        quint16 tag = 0;
        quint16 type = 0;
        quint32 count = 0;
        quint32 value = 0; // the value itself when it fits in four bytes, else its offset
    };

    struct Directory {
        qint64 at = 0;
        std::vector<Entry> entries;
        quint32 next = 0; // 0: the last of its chain
    };

    class DirectoryReader {
    public:
        DirectoryReader(const ReadBytes& read, ByteOrder order)
            : read_(read)
            , order_(order)
        {
        }

        // The directory at `at`; nullopt when it was read before, is unreadable or one too many.
        std::optional<Directory> Read(qint64 at)
        {
            if (at < kHeaderBytes || int(seen_.size()) >= kMaxDirectories
                || std::find(seen_.begin(), seen_.end(), at) != seen_.end())
                return std::nullopt;
            seen_.push_back(at);
            const QByteArray head = read_(at, 2);
            const ByteView countView(head, order_);
            const quint32 count = countView.U16(0);
            if (!countView.Fits(0, 2) || count == 0 || count > kMaxEntries)
                return std::nullopt;
            const QByteArray body = read_(at + 2, count * kEntryBytes + 4);
            const ByteView view(body, order_);
            if (!view.Fits(0, count * kEntryBytes))
                return std::nullopt;
            Directory directory { at, {}, 0 };
            for (quint32 i = 0; i < count; ++i) {
                const qint64 e = i * kEntryBytes;
                directory.entries.push_back({ view.U16(e), view.U16(e + 2), view.U32(e + 4),
                    Value(view, e + 8, view.U16(e + 2)) });
            }
            directory.next = view.U32(count * kEntryBytes); // 0 when cut right after the entries
            return directory;
        }

        // The offsets a LONG or IFD array names, up to kMaxSubDirectories of them.
        std::vector<quint32> Offsets(const Entry& entry)
        {
            const quint32 count = std::min(entry.count, kMaxSubDirectories);
            if (entry.type != kLong && entry.type != kIfd)
                return {};
            if (count == 1)
                return { entry.value };
            const QByteArray bytes = read_(entry.value, count * 4);
            const ByteView view(bytes, order_);
            std::vector<quint32> offsets;
            for (quint32 i = 0; i < count && view.Fits(i * 4, 4); ++i)
                offsets.push_back(view.U32(i * 4));
            return offsets;
        }

    private:
        // A SHORT sits in the first two bytes of the value field, whatever the byte order.
        static quint32 Value(const ByteView& view, qint64 at, quint16 type)
        {
            return type == kShort ? view.U16(at) : view.U32(at);
        }

        const ReadBytes& read_;
        const ByteOrder order_;
        std::vector<qint64> seen_;
    };

    const Entry* Find(const Directory& directory, quint16 tag)
    {
        const auto entry = std::find_if(directory.entries.begin(), directory.entries.end(),
            [tag](const Entry& e) { return e.tag == tag; });
        return entry == directory.entries.end() ? nullptr : &*entry;
    }

    // The single SHORT or LONG value of `tag`, the only form the tags we read take.
    std::optional<quint32> Number(const Directory& directory, quint16 tag)
    {
        const Entry* entry = Find(directory, tag);
        if (!entry || entry->count != 1
            || (entry->type != kShort && entry->type != kLong && entry->type != kIfd))
            return std::nullopt;
        return entry->value;
    }

    QSize SizeOf(const Directory& directory)
    {
        const quint32 width = Number(directory, kImageWidth).value_or(0);
        const quint32 height = Number(directory, kImageLength).value_or(0);
        // Sides past 2^20 are no picture we decode; it also keeps the products below in range.
        if (width == 0 || height == 0 || width > (1u << 20) || height > (1u << 20))
            return {};
        return QSize(int(width), int(height));
    }

    // The directory as a smaller copy of the picture, if it is one.
    std::optional<TiffReducedImage> ReducedImage(const Directory& directory)
    {
        TiffReducedImage image { directory.at, SizeOf(directory), 0, 0 };
        const quint32 jpegAt = Number(directory, kJpegAt).value_or(0);
        const quint32 jpegBytes = Number(directory, kJpegBytes).value_or(0);
        if (jpegAt != 0 && jpegBytes != 0) {
            image.jpegAt = jpegAt;
            image.jpegBytes = jpegBytes;
            return image;
        }
        const bool reduced = Number(directory, kNewSubfileType).value_or(0) & kReducedImage;
        if (!reduced || image.size.isEmpty())
            return std::nullopt;
        return image;
    }

    quint32 CeilDiv(quint32 a, quint32 b) { return a / b + (a % b != 0); }

    // Whether the directory names as many strips or tiles as its size needs; a sensor's data
    // stored otherwise is no picture anyway.
    bool NamesEveryPart(const Directory& directory)
    {
        const QSize size = SizeOf(directory);
        if (size.isEmpty())
            return false;
        const auto width = quint32(size.width()), height = quint32(size.height());
        const bool planes = Number(directory, kPlanarConfiguration).value_or(1) == kSeparatePlanes;
        const quint64 perPlane = planes ? Number(directory, kSamplesPerPixel).value_or(1) : 1;
        const Entry* offsets = Find(directory, kTileOffsets);
        const Entry* counts = Find(directory, kTileByteCounts);
        quint64 parts = 0;
        if (offsets) {
            const quint32 tileWidth = Number(directory, kTileWidth).value_or(0);
            const quint32 tileLength = Number(directory, kTileLength).value_or(0);
            if (tileWidth == 0 || tileLength == 0)
                return false;
            parts = quint64(CeilDiv(width, tileWidth)) * CeilDiv(height, tileLength);
        } else {
            offsets = Find(directory, kStripOffsets);
            counts = Find(directory, kStripByteCounts);
            const quint32 rows = Number(directory, kRowsPerStrip).value_or(height);
            parts = CeilDiv(height, std::clamp(rows, 1u, height));
        }
        return offsets && counts && offsets->count >= parts * perPlane
            && counts->count >= parts * perPlane;
    }

    std::optional<ByteOrder> OrderOf(const QByteArray& header)
    {
        if (header.startsWith(QByteArrayView("II*\0", 4)))
            return ByteOrder::LittleEndian;
        if (header.startsWith(QByteArrayView("MM\0*", 4)))
            return ByteOrder::BigEndian;
        return std::nullopt;
    }

} // namespace

std::optional<TiffLayout> ReadTiffLayout(const ReadBytes& read)
{
    const QByteArray header = read(0, kHeaderBytes);
    const auto order = OrderOf(header);
    if (!order || header.size() < kHeaderBytes)
        return std::nullopt;
    DirectoryReader directories(read, *order);
    const auto first = directories.Read(ByteView(header, *order).U32(4));
    if (!first || SizeOf(*first).isEmpty())
        return std::nullopt;
    TiffLayout layout;
    layout.size = SizeOf(*first);
    const quint32 orientation = Number(*first, kOrientation).value_or(1);
    layout.orientation = orientation >= 1 && orientation <= 8 ? int(orientation) : 1;
    const auto icc = std::find_if(first->entries.begin(), first->entries.end(),
        [](const Entry& e) { return e.tag == kIccProfile; });
    if (icc != first->entries.end() && icc->type == kUndefined && icc->count > 4
        && icc->count <= kMaxIccBytes) {
        layout.iccAt = icc->value;
        layout.iccBytes = icc->count;
    }
    const auto add = [&](const std::optional<Directory>& directory) {
        if (directory)
            if (const auto image = ReducedImage(*directory))
                layout.reduced.push_back(*image);
    };
    const auto subIfds = std::find_if(first->entries.begin(), first->entries.end(),
        [](const Entry& e) { return e.tag == kSubIfds; });
    if (subIfds != first->entries.end())
        for (const quint32 at : directories.Offsets(*subIfds))
            add(directories.Read(at));
    for (auto next = directories.Read(first->next); next; next = directories.Read(next->next))
        add(next);
    return layout;
}

TiffSensorData FindTiffSensorData(const ReadBytes& read)
{
    const QByteArray header = read(0, kHeaderBytes + 2);
    const auto order = OrderOf(header);
    if (!order || header.size() < kHeaderBytes)
        return TiffSensorData::None;
    // Canon's CR2 keeps its sensor's data in a directory that says nothing of it.
    bool present = header.mid(kHeaderBytes) == "CR";
    bool incomplete = false;
    DirectoryReader directories(read, *order);
    std::vector<qint64> pending { ByteView(header, *order).U32(4) };
    while (!pending.empty()) {
        const auto directory = directories.Read(pending.back());
        pending.pop_back();
        if (!directory)
            continue;
        pending.push_back(directory->next);
        if (const Entry* subIfds = Find(*directory, kSubIfds))
            for (const quint32 at : directories.Offsets(*subIfds))
                pending.push_back(at);
        const quint32 photometric = Number(*directory, kPhotometric).value_or(0);
        const quint32 compression = Number(*directory, kCompression).value_or(1);
        const bool sensor = photometric == kColourFilterArray || photometric == kLinearRaw;
        present = present || sensor || Find(*directory, kDngVersion)
            || std::find(std::begin(kRawCompressions), std::end(kRawCompressions), compression)
                != std::end(kRawCompressions);
        incomplete = incomplete || (sensor && !NamesEveryPart(*directory));
    }
    return incomplete ? TiffSensorData::Incomplete
        : present     ? TiffSensorData::Present
                      : TiffSensorData::None;
}

} // namespace gb::formats
