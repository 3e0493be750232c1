#include "formats/icon_directory.h"

#include <cstdlib>

namespace gb::formats {

namespace {

    constexpr qsizetype kDirectoryHeader = 6;
    constexpr qsizetype kEntrySize = 16;
    constexpr int kTypeIcon = 1;
    constexpr int kTypeCursor = 2;

    // Little-endian reads; the caller has checked that the bytes exist.
    quint32 U8(const QByteArray& b, qsizetype at) { return static_cast<uchar>(b[at]); }
    quint32 U16(const QByteArray& b, qsizetype at) { return U8(b, at) | (U8(b, at + 1) << 8); }
    quint32 U32(const QByteArray& b, qsizetype at) { return U16(b, at) | (U16(b, at + 2) << 16); }

    bool Fits(const QByteArray& b, quint64 at, quint64 length)
    {
        return at <= static_cast<quint64>(b.size()) && length <= b.size() - at;
    }

    // The bit depth the payload declares: a PNG's IHDR or a DIB's info header.
    int PayloadBitDepth(const QByteArray& b, quint32 offset, quint32 bytes)
    {
        static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
        if (bytes >= 26 && b.mid(offset, 8) == pngSignature && b.mid(offset + 12, 4) == "IHDR") {
            const int depth = static_cast<int>(U8(b, offset + 24));
            switch (U8(b, offset + 25)) { // colour type
            case 0:
            case 3:
                return depth;
            case 2:
                return depth * 3;
            case 4:
                return depth * 2;
            case 6:
                return depth * 4;
            default:
                return 0;
            }
        }
        if (bytes >= 16 && U32(b, offset) == 12)
            return static_cast<int>(U16(b, offset + 10));
        if (bytes >= 16 && U32(b, offset) >= 40)
            return static_cast<int>(U16(b, offset + 14));
        return 0;
    }

    int SideLength(quint32 stored) { return stored == 0 ? 256 : static_cast<int>(stored); }

} // namespace

std::optional<QList<IconDirectoryEntry>> ReadIconDirectory(const QByteArray& fileBytes)
{
    if (!Fits(fileBytes, 0, kDirectoryHeader))
        return std::nullopt;
    const quint32 type = U16(fileBytes, 2);
    if (U16(fileBytes, 0) != 0 || (type != kTypeIcon && type != kTypeCursor))
        return std::nullopt;
    const int count = static_cast<int>(U16(fileBytes, 4));
    QList<IconDirectoryEntry> entries;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = kDirectoryHeader + kEntrySize * i;
        if (!Fits(fileBytes, static_cast<quint64>(at), kEntrySize))
            break;
        IconDirectoryEntry entry;
        entry.index = i;
        entry.size = QSize(SideLength(U8(fileBytes, at)), SideLength(U8(fileBytes, at + 1)));
        entry.bytes = U32(fileBytes, at + 8);
        entry.offset = U32(fileBytes, at + 12);
        if (entry.bytes == 0 || entry.offset < kDirectoryHeader
            || !Fits(fileBytes, entry.offset, entry.bytes))
            continue;
        entry.bitDepth = PayloadBitDepth(fileBytes, entry.offset, entry.bytes);
        // In a cursor the planes and bit count words hold the hotspot instead.
        if (entry.bitDepth == 0 && type == kTypeIcon)
            entry.bitDepth = static_cast<int>(U16(fileBytes, at + 6));
        entries.append(entry);
    }
    return entries;
}

std::optional<int> ChooseIconEntry(const QByteArray& fileBytes, QSize wanted)
{
    const auto entries = ReadIconDirectory(fileBytes);
    if (!entries || entries->isEmpty())
        return std::nullopt;
    const auto distance = [wanted](const IconDirectoryEntry& e) {
        return std::abs(e.size.width() - wanted.width())
            + std::abs(e.size.height() - wanted.height());
    };
    const IconDirectoryEntry* best = &entries->front();
    for (const IconDirectoryEntry& entry : *entries) {
        const int d = distance(entry), bestDistance = distance(*best);
        if (d < bestDistance || (d == bestDistance && entry.bitDepth > best->bitDepth))
            best = &entry;
    }
    return best->index;
}

} // namespace gb::formats
