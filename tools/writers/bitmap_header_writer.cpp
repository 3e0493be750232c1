#include "writers/bitmap_header_writer.h"

#include "writers/byte_packer.h"

namespace gb::tools {

namespace {

    constexpr int kCoreHeaderSize = 12;
    constexpr int kFileHeaderSize = 14;
    constexpr qsizetype kColourSpaceAt = 56; // in V4 and V5 headers, after the four masks

} // namespace

QByteArray WriteBitmapHeader(const DibSpec& spec)
{
    QByteArray out;
    PutLe32(out, static_cast<quint32>(spec.headerSize));
    if (spec.headerSize == kCoreHeaderSize) {
        for (int field : { spec.width, spec.height, spec.planes, spec.bits })
            PutLe16(out, static_cast<quint32>(field));
        return out;
    }
    PutLe32(out, static_cast<quint32>(spec.width));
    PutLe32(out, static_cast<quint32>(spec.height));
    PutLe16(out, static_cast<quint32>(spec.planes));
    PutLe16(out, static_cast<quint32>(spec.bits));
    PutLe32(out, static_cast<quint32>(spec.compression));
    PutLe32(out, spec.imageBytes.value_or(static_cast<quint32>(spec.pixels.size())));
    PutLe32(out, static_cast<quint32>(spec.pixelsPerMetre));
    PutLe32(out, static_cast<quint32>(spec.pixelsPerMetre));
    PutLe32(out, static_cast<quint32>(spec.coloursUsed));
    PutLe32(out, 0); // important colours: all
    // From 52 bytes on the masks are header fields; a 40-byte header is followed by them.
    const bool masksInside = spec.headerSize >= 52 && spec.headerSize != 64;
    for (quint32 mask : masksInside ? spec.masks : QList<quint32> {})
        PutLe32(out, mask);
    out = out.leftJustified(spec.headerSize, '\0', true);
    if (spec.colourSpace != 0)
        SetLe32(out, kColourSpaceAt, spec.colourSpace);
    for (quint32 mask : masksInside ? QList<quint32> {} : spec.masks)
        PutLe32(out, mask);
    return out;
}

QByteArray WriteDib(const DibSpec& spec, bool fileHeader)
{
    QByteArray info = WriteBitmapHeader(spec);
    for (QRgb c : spec.palette) {
        Put8(info, static_cast<quint32>(qBlue(c)));
        Put8(info, static_cast<quint32>(qGreen(c)));
        Put8(info, static_cast<quint32>(qRed(c)));
        if (spec.headerSize != kCoreHeaderSize)
            Put8(info, 0);
    }
    if (!fileHeader)
        return info + spec.pixels;
    QByteArray file("BM");
    PutLe32(file, static_cast<quint32>(kFileHeaderSize + info.size() + spec.pixels.size()));
    PutLe32(file, 0); // reserved
    PutLe32(file, spec.pixelOffset.value_or(static_cast<quint32>(kFileHeaderSize + info.size())));
    return file + info + spec.pixels;
}

} // namespace gb::tools
