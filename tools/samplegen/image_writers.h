#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <optional>

// Writers for the raster types the program reads. Qt writes only some of them, and none of the
// compressed or headerless variants, so most are assembled here byte by byte. Every writer
// returns the complete file contents.
namespace gb::tools {

// One image of an icon or cursor file.
struct IconImage {
    QImage image;
    int bits = 32; // 32 (BGRA plus AND mask) or 8 (palette plus AND mask); ignored for PNG
    bool png = false; // store a PNG stream instead of a DIB, as large Vista icons do
};

// bits: 4 or 8 (palette, at most 16 or 256 colours), 24, or 32 (BITMAPV4HEADER with alpha).
QByteArray WriteBmp(const QImage& img, int bits = 24);
// A packed DIB: the info header, palette and pixels of WriteBmp without the 14-byte file header.
QByteArray WriteHeaderlessDib(const QImage& img, int bits = 24);
// Run-length encoded bitmaps with encoded runs and absolute mode, as Windows Paint wrote them.
QByteArray WriteRle8Bmp(const QImage& img);
QByteArray WriteRle4Bmp(const QImage& img);
// GIF89a with a global palette and LZW data. With transparentIndex, pixels whose alpha is below
// one half take that palette index, which the graphic control extension marks transparent.
QByteArray WriteGif(const QImage& img, std::optional<int> transparentIndex = std::nullopt);
// Qt's JPEG with an Exif APP1 segment carrying the Orientation tag (1..8) right after SOI.
QByteArray WriteJpeg(
    const QImage& img, int quality, std::optional<int> exifOrientation = std::nullopt);
QByteArray WriteIco(const QList<IconImage>& images);
QByteArray WriteCur(const QList<IconImage>& images, QPoint hotspot);

} // namespace gb::tools
