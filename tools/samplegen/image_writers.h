#pragma once

#include "writers/bitmap_header_writer.h" // the bitmaps and Exif blocks laid out field by field
#include "writers/exif_writer.h"

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

// Pictures to write: one colour all over, or red growing to the right and green downwards.
QImage Solid(QSize size, QColor colour, QImage::Format format = QImage::Format_RGB32);
QImage Gradient(QSize size);
// A photograph's texture: `tint` lightening to the right and down, under a fine grain that
// compresses as a camera's sensor noise does (a 12-megapixel JPEG of it is some megabytes).
QImage Grainy(QSize size, QRgb tint);
// Four solid quadrants, red, green / blue, yellow, in these colours: turning, mirroring and
// scaling keep them apart.
namespace quadrant {
    inline constexpr QRgb kRed = 0xffdc1e1e, kGreen = 0xff1ec83c, kBlue = 0xff283cdc,
                          kYellow = 0xfff0dc28;
}
QImage Quadrants(QSize size, QRgb topLeft = quadrant::kRed);
// The file of the type the name's suffix says (.gif, .jpg, .ico, else .bmp).
QByteArray WriteByName(const QString& name, const QImage& img);

// bits: 4 or 8 (palette, at most 16 or 256 colours), 24, or 32 (BITMAPV4HEADER with alpha).
QByteArray WriteBmp(const QImage& img, int bits = 24);
// A packed DIB: the info header, palette and pixels of WriteBmp without the 14-byte file header,
// at the resolution given (2835 pixels a metre is 72 dpi, 3780 is 96).
QByteArray WriteHeaderlessDib(const QImage& img, int bits = 24, int pixelsPerMetre = 2835);
// Run-length encoded bitmaps with encoded runs and absolute mode, as Windows Paint wrote them.
QByteArray WriteRle8Bmp(const QImage& img);
QByteArray WriteRle4Bmp(const QImage& img);
// GIF89a with a global palette and LZW data. With transparentIndex, pixels whose alpha is below
// one half take that palette index, which the graphic control extension marks transparent.
QByteArray WriteGif(const QImage& img, std::optional<int> transparentIndex = std::nullopt);
// Qt's JPEG with an Exif APP1 segment carrying the Orientation tag (1..8) right after SOI.
QByteArray WriteJpeg(
    const QImage& img, int quality, std::optional<int> exifOrientation = std::nullopt);

// Run-length codes of BI_RLE8 and BI_RLE4: encoded runs and the escapes after a zero byte.
class RleCodes {
public:
    RleCodes& Run(int count, int value);
    RleCodes& EndOfLine() { return Escape(0); }
    RleCodes& EndOfBitmap() { return Escape(1); }
    RleCodes& Delta(int right, int up);
    // Absolute mode: `count` pixels given literally, padded to a 16-bit boundary.
    RleCodes& Literal(int count, const QByteArray& data);
    QByteArray Bytes() const { return bytes_; }

private:
    RleCodes& Escape(int code);
    QByteArray bytes_;
};

// Qt's PNG, as BMP files and icons may embed it, with text chunks (key, text) if given: the
// freedesktop thumbnails other programs write carry their source's address and time so. Further
// chunks (type, data), such as a gAMA chunk Qt never writes, go right after the header chunk.
QByteArray WritePng(const QImage& img, const QList<std::pair<QString, QString>>& texts = {},
    const QList<std::pair<QByteArray, QByteArray>>& chunks = {});
// A PNG chunk as stored: its data's length, type, data and CRC.
QByteArray PngChunk(const QByteArray& type, const QByteArray& data);
// A 16-bit RGB PNG of `img`'s RGBA64 pixels (alpha dropped), with a tRNS chunk naming the one
// colour shown transparent when `transparent` is given: Qt writes no such file.
QByteArray WriteRgb48Png(const QImage& img, std::optional<QRgba64> transparent);
QByteArray WriteIco(const QList<IconImage>& images);
// One entry of an icon or cursor directory as stored: the sizes' low bytes (0 for 256), the
// palette's size (0 for 256 or more), an icon's planes and bits or a cursor's hot spot, then the
// image's bytes.
struct IconDirEntry {
    int width;
    int height;
    int colours;
    int planesOrX;
    int bitsOrY;
    QByteArray payload;
};
// A directory of `type` (1: icon, 2: cursor) followed by the payloads in order.
QByteArray WriteIconDirectory(int type, const QList<IconDirEntry>& entries);
QByteArray WriteCur(const QList<IconImage>& images, QPoint hotspot);

} // namespace gb::tools
