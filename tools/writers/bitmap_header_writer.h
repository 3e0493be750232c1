#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <optional>

// Windows bitmaps laid out field by field: the info header (core, OS/2 2.x, BITMAPINFOHEADER and
// its V4 and V5 successors), the colour masks, the colour table and the 14-byte file header.
// Every bitmap the generators write, whole or inside an icon or a metafile, is laid out here,
// the damaged ones included.
namespace gb::tools {

inline constexpr int kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3; // compressions

struct DibSpec {
    int headerSize = 40; // 12 (core), 16 or 64 (OS/2 2.x), 40, 52, 56, 108, 124
    int width = 1;
    int height = 1; // negative: top-down rows
    int bits = 24;
    int compression = kBiRgb;
    int planes = 1;
    // Red, green, blue and maybe alpha: in the header from 52 bytes on, else right after it.
    QList<quint32> masks = {};
    QList<QRgb> palette = {}; // 3 bytes an entry after a 12-byte header, else 4
    int coloursUsed = 0;
    QByteArray pixels = {}; // stored as given: rows padded by the caller, or an RLE stream
    std::optional<quint32> pixelOffset = {}; // the file header's, when it should lie
    std::optional<quint32> imageBytes = {}; // the header's image size, when not the pixels'
    qint32 pixelsPerMetre = 2835; // both ways; 2835 is 72 dpi
    quint32 colourSpace = 0; // from 108 bytes on: 0x73524742 ('sRGB') or none
};

// The info header and the masks that follow it: all that comes before the colour table.
QByteArray WriteBitmapHeader(const DibSpec& spec);
// With the 14-byte file header when `fileHeader`, else a packed DIB.
QByteArray WriteDib(const DibSpec& spec, bool fileHeader = true);

} // namespace gb::tools
