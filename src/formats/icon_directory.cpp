#include "formats/icon_directory.h"

#include "formats/byte_view.h"
#include "formats/dib_header.h"

#include <cstdlib>

namespace gb::formats {

namespace {

    constexpr qsizetype kDirectoryHeader = 6;
    constexpr qsizetype kEntrySize = 16;
    constexpr quint16 kTypeIcon = 1, kTypeCursor = 2;

    // The bit depth the payload declares: a PNG's IHDR or a DIB's info header.
    // PNG colour types and the samples each pixel holds.
    enum class PngColour : quint8 { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

    int PngBitDepth(const ByteView& png)
    {
        const int depth = png.U8(24);
        switch (PngColour(png.U8(25))) {
        case PngColour::Grey:
        case PngColour::Palette:
            return depth;
        case PngColour::Rgb:
            return depth * 3;
        case PngColour::GreyAlpha:
            return depth * 2;
        case PngColour::Rgba:
            return depth * 4;
        }
        return 0;
    }

    int PayloadBitDepth(const ByteView& payload)
    {
        static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
        const QByteArray start(payload.Data(), qMin<qsizetype>(payload.Size(), 16));
        if (payload.Size() >= 26 && start.startsWith(pngSignature) && start.mid(12, 4) == "IHDR")
            return PngBitDepth(payload);
        if (payload.Size() >= 16 && payload.U32(0) == DibHeader::kCoreSize)
            return payload.U16(10);
        if (payload.Size() >= 16 && payload.U32(0) >= DibHeader::kInfoSize)
            return payload.U16(14);
        return 0;
    }

    int SideLength(quint32 stored) { return stored == 0 ? 256 : static_cast<int>(stored); }

} // namespace

std::optional<QList<IconDirectoryEntry>> ReadIconDirectory(const QByteArray& fileBytes)
{
    const ByteView file(fileBytes);
    if (!file.Fits(0, kDirectoryHeader))
        return std::nullopt;
    const quint16 type = file.U16(2);
    if (file.U16(0) != 0 || (type != kTypeIcon && type != kTypeCursor))
        return std::nullopt;
    const int count = file.U16(4);
    QList<IconDirectoryEntry> entries;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = kDirectoryHeader + kEntrySize * i;
        if (!file.Fits(at, kEntrySize))
            break;
        IconDirectoryEntry entry;
        entry.index = i;
        entry.size = QSize(SideLength(file.U8(at)), SideLength(file.U8(at + 1)));
        entry.bytes = file.U32(at + 8);
        entry.offset = file.U32(at + 12);
        if (entry.bytes == 0 || entry.offset < kDirectoryHeader
            || !file.Fits(entry.offset, entry.bytes))
            continue;
        entry.bitDepth = PayloadBitDepth(file.Part(entry.offset, entry.bytes));
        // In a cursor the planes and bit count words hold the hotspot instead.
        if (entry.bitDepth == 0 && type == kTypeIcon)
            entry.bitDepth = file.U16(at + 6);
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
