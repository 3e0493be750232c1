#include "samplegen/image_writers.h"

#include "writers/bitmap_header_writer.h"
#include "writers/byte_packer.h"
#include "writers/exif_writer.h"

#include <QBuffer>
#include <QHash>
#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>
#include <zlib.h>

namespace gb::tools {

namespace {

    constexpr int kInfoHeaderSize = 40;
    constexpr int kV4HeaderSize = 108;
    constexpr quint32 kSrgb = 0x73524742; // 'sRGB'

    // An image reduced to a palette. Pixels under half alpha are left out of the palette and get
    // index 0; the callers that care about them (GIF, icons) override those indices.
    struct Indexed {
        QList<QRgb> palette;
        std::vector<uint8_t> indices; // row by row, top to bottom
        std::vector<bool> transparent;
        int width = 0;
        int height = 0;
    };

    int ColourDistance(QRgb a, QRgb b)
    {
        const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
        return dr * dr + dg * dg + db * db;
    }

    int Channel(QRgb c, int channel)
    {
        return channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c);
    }

    // Median cut: split the box with the widest channel at its median until there are enough.
    QList<QRgb> MedianCut(std::vector<QRgb> colours, int maxColours)
    {
        std::vector<std::pair<size_t, size_t>> boxes { { 0, colours.size() } };
        while (static_cast<int>(boxes.size()) < maxColours) {
            int bestBox = -1, bestChannel = 0, bestRange = 0;
            for (size_t b = 0; b < boxes.size(); ++b) {
                for (int ch = 0; ch < 3; ++ch) {
                    const auto [lo, hi] = std::minmax_element(colours.begin() + boxes[b].first,
                        colours.begin() + boxes[b].second,
                        [ch](QRgb x, QRgb y) { return Channel(x, ch) < Channel(y, ch); });
                    const int range = Channel(*hi, ch) - Channel(*lo, ch);
                    if (range > bestRange) {
                        bestRange = range;
                        bestBox = static_cast<int>(b);
                        bestChannel = ch;
                    }
                }
            }
            if (bestBox < 0)
                break;
            auto [begin, end] = boxes[bestBox];
            std::sort(
                colours.begin() + begin, colours.begin() + end, [bestChannel](QRgb x, QRgb y) {
                    return Channel(x, bestChannel) < Channel(y, bestChannel);
                });
            const size_t middle = begin + (end - begin) / 2;
            boxes[bestBox] = { begin, middle };
            boxes.push_back({ middle, end });
        }
        QList<QRgb> palette;
        for (const auto& [begin, end] : boxes) {
            qint64 r = 0, g = 0, b = 0;
            for (size_t i = begin; i < end; ++i) {
                r += qRed(colours[i]);
                g += qGreen(colours[i]);
                b += qBlue(colours[i]);
            }
            const qint64 n = static_cast<qint64>(end - begin);
            palette.append(qRgb(int(r / n), int(g / n), int(b / n)));
        }
        return palette;
    }

    // Fills in the indices: the nearest palette colour for each opaque pixel, in pixel order.
    void MapToPalette(Indexed& out, const std::vector<QRgb>& opaque)
    {
        QHash<QRgb, int> nearest;
        size_t next = 0;
        for (size_t i = 0; i < out.transparent.size(); ++i) {
            if (out.transparent[i]) {
                out.indices.push_back(0);
                continue;
            }
            const QRgb c = opaque[next++];
            auto found = nearest.constFind(c);
            if (found == nearest.cend()) {
                int best = 0;
                for (int p = 1; p < out.palette.size(); ++p)
                    if (ColourDistance(c, out.palette[p]) < ColourDistance(c, out.palette[best]))
                        best = p;
                found = nearest.insert(c, best);
            }
            out.indices.push_back(static_cast<uint8_t>(found.value()));
        }
    }

    // Exact palette when the picture has few enough colours, else a median-cut one.
    Indexed ToIndexed(const QImage& src, int maxColours)
    {
        const QImage img = src.convertToFormat(QImage::Format_ARGB32);
        Indexed out;
        out.width = img.width();
        out.height = img.height();
        std::vector<QRgb> opaque;
        QHash<QRgb, int> exact;
        for (int y = 0; y < img.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                out.transparent.push_back(qAlpha(line[x]) < 128);
                if (out.transparent.back())
                    continue;
                const QRgb c = line[x] | 0xff000000u;
                opaque.push_back(c);
                if (exact.size() <= maxColours && !exact.contains(c))
                    exact.insert(c, static_cast<int>(exact.size()));
            }
        }
        if (exact.size() <= maxColours) {
            out.palette.resize(exact.size());
            for (auto it = exact.cbegin(); it != exact.cend(); ++it)
                out.palette[it.value()] = it.key();
        } else {
            out.palette = MedianCut(opaque, maxColours);
        }
        if (out.palette.isEmpty())
            out.palette.append(qRgb(0, 0, 0));
        MapToPalette(out, opaque);
        return out;
    }

    int Stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

    // Bottom-up rows of uncompressed pixels.
    QByteArray PackPixels(const QImage& src, int bits, const Indexed& indexed)
    {
        const QImage img = src.convertToFormat(QImage::Format_ARGB32);
        QByteArray out;
        const int stride = Stride(img.width(), bits);
        for (int y = img.height() - 1; y >= 0; --y) {
            QByteArray row(stride, '\0');
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int index
                    = indexed.indices.empty() ? 0 : indexed.indices[y * img.width() + x];
                if (bits == 4)
                    row[x / 2] = static_cast<char>(row[x / 2] | (index << ((x % 2) ? 0 : 4)));
                else if (bits == 8)
                    row[x] = static_cast<char>(index);
                else {
                    char* p = row.data() + x * (bits / 8);
                    p[0] = static_cast<char>(qBlue(line[x]));
                    p[1] = static_cast<char>(qGreen(line[x]));
                    p[2] = static_cast<char>(qRed(line[x]));
                    if (bits == 32)
                        p[3] = static_cast<char>(qAlpha(line[x]));
                }
            }
            out.append(row);
        }
        return out;
    }

    // A bitmap as the writers below store it: the colour table of `palette`, 32 bits in a V4
    // header with an alpha mask and the sRGB colour space.
    DibSpec Bitmap(
        QSize size, int bits, int compression, const QList<QRgb>& palette, const QByteArray& pixels)
    {
        DibSpec spec { kInfoHeaderSize, size.width(), size.height(), bits, compression, 1, {},
            palette, static_cast<int>(palette.size()), pixels };
        if (bits == 32) {
            spec.headerSize = kV4HeaderSize;
            spec.compression = kBiBitfields;
            spec.masks = { 0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0xff000000u };
            spec.colourSpace = kSrgb;
        }
        return spec;
    }

    DibSpec Uncompressed(const QImage& img, int bits)
    {
        const bool paletted = bits == 4 || bits == 8;
        const QImage opaque = bits == 32 ? img : img.convertToFormat(QImage::Format_RGB32);
        const Indexed indexed = paletted ? ToIndexed(opaque, 1 << bits) : Indexed {};
        return Bitmap(img.size(), bits, kBiRgb, indexed.palette, PackPixels(opaque, bits, indexed));
    }

    // Length of the run of equal pixels starting at i, capped at 255.
    size_t RunLength(const std::vector<uint8_t>& row, size_t i)
    {
        size_t j = i + 1;
        while (j < row.size() && j - i < 255 && row[j] == row[i])
            ++j;
        return j - i;
    }

    // Pixels from i up to where a run of three equal ones begins, capped at 255.
    size_t LiteralLength(const std::vector<uint8_t>& row, size_t i)
    {
        size_t j = i;
        while (j < row.size() && j - i < 255
            && !(j + 2 < row.size() && row[j] == row[j + 1] && row[j] == row[j + 2]))
            ++j;
        return j - i;
    }

    void EncodeRleRow(QByteArray& out, const std::vector<uint8_t>& row, bool nibbles)
    {
        size_t i = 0;
        while (i < row.size()) {
            const size_t run = RunLength(row, i);
            if (run >= 3) {
                Put8(out, static_cast<int>(run));
                Put8(out, nibbles ? (row[i] << 4) | row[i] : row[i]);
                i += run;
                continue;
            }
            const size_t literal = LiteralLength(row, i);
            if (literal < 3) {
                // Too short for absolute mode; in RLE4 one encoded run alternates two nibbles.
                for (size_t k = 0; k < literal; k += nibbles ? 2 : 1) {
                    const size_t count = nibbles ? std::min<size_t>(2, literal - k) : 1;
                    const int second = count == 2 ? row[i + k + 1] : 0;
                    Put8(out, static_cast<int>(count));
                    Put8(out, nibbles ? (row[i + k] << 4) | second : row[i + k]);
                }
            } else {
                Put8(out, 0);
                Put8(out, static_cast<int>(literal));
                QByteArray bytes;
                for (size_t k = 0; k < literal; ++k) {
                    if (!nibbles)
                        Put8(bytes, row[i + k]);
                    else if (k % 2 == 0)
                        Put8(bytes, row[i + k] << 4);
                    else
                        bytes[bytes.size() - 1] = static_cast<char>(bytes.back() | row[i + k]);
                }
                if (bytes.size() % 2)
                    Put8(bytes, 0); // absolute runs end on a 16-bit boundary
                out.append(bytes);
            }
            i += literal;
        }
        Put8(out, 0); // end of line
        Put8(out, 0);
    }

    QByteArray WriteRleBmp(const QImage& img, int bits)
    {
        const Indexed indexed = ToIndexed(img.convertToFormat(QImage::Format_RGB32), 1 << bits);
        QByteArray pixels;
        for (int y = indexed.height - 1; y >= 0; --y) {
            const auto first = indexed.indices.begin() + static_cast<ptrdiff_t>(y) * indexed.width;
            EncodeRleRow(pixels, std::vector<uint8_t>(first, first + indexed.width), bits == 4);
        }
        Put8(pixels, 0); // end of bitmap
        Put8(pixels, 1);
        return WriteDib(
            Bitmap(img.size(), bits, bits == 8 ? kBiRle8 : kBiRle4, indexed.palette, pixels));
    }

    // Variable-width LZW codes packed least significant bit first, as GIF wants them.
    class CodePacker {
    public:
        void Put(int code, int width)
        {
            buffer_ |= static_cast<quint32>(code) << bitCount_;
            bitCount_ += width;
            while (bitCount_ >= 8) {
                Put8(bytes_, static_cast<int>(buffer_));
                buffer_ >>= 8;
                bitCount_ -= 8;
            }
        }
        QByteArray Finish()
        {
            if (bitCount_ > 0)
                Put8(bytes_, static_cast<int>(buffer_));
            return bytes_;
        }

    private:
        QByteArray bytes_;
        quint32 buffer_ = 0;
        int bitCount_ = 0;
    };

    QByteArray EncodeLzw(const std::vector<uint8_t>& indices, int minCodeSize)
    {
        const int clearCode = 1 << minCodeSize, endCode = clearCode + 1;
        int codeSize = minCodeSize + 1, nextCode = endCode + 1;
        std::unordered_map<quint32, int> table;
        CodePacker packer;
        packer.Put(clearCode, codeSize);
        int prefix = indices.empty() ? 0 : indices.front();
        for (size_t i = 1; i < indices.size(); ++i) {
            const quint32 key = (static_cast<quint32>(prefix) << 8) | indices[i];
            if (const auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            packer.Put(prefix, codeSize);
            // The decoder adds each entry one code later, so widen after writing, not before.
            if (nextCode >= (1 << codeSize) && codeSize < 12)
                ++codeSize;
            if (nextCode < 4096) {
                table.emplace(key, nextCode++);
            } else {
                packer.Put(clearCode, codeSize);
                table.clear();
                codeSize = minCodeSize + 1;
                nextCode = endCode + 1;
            }
            prefix = indices[i];
        }
        packer.Put(prefix, codeSize);
        packer.Put(endCode, codeSize);
        return packer.Finish();
    }

    // Makes room for the transparent entry at the wanted index (or right after the last colour
    // when the palette is shorter) and points the transparent pixels at it.
    int InsertTransparentEntry(Indexed& indexed, int wanted)
    {
        const int at = std::min(std::clamp(wanted, 0, 255), int(indexed.palette.size()));
        indexed.palette.insert(at, qRgb(0, 0, 0));
        for (size_t i = 0; i < indexed.indices.size(); ++i) {
            if (indexed.transparent[i])
                indexed.indices[i] = static_cast<uint8_t>(at);
            else if (indexed.indices[i] >= at)
                ++indexed.indices[i];
        }
        return at;
    }

    QByteArray IconDib(const QImage& img, int bits)
    {
        const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
        const bool paletted = bits != 32;
        const Indexed indexed = paletted ? ToIndexed(argb, 256) : Indexed {};
        const QByteArray colour = PackPixels(argb, paletted ? 8 : 32, indexed);
        const int maskStride = Stride(img.width(), 1);
        QByteArray mask(maskStride * img.height(), '\0');
        for (int y = 0; y < img.height(); ++y) {
            const int row = (img.height() - 1 - y) * maskStride;
            for (int x = 0; x < img.width(); ++x)
                if (qAlpha(argb.pixel(x, y)) < 128)
                    mask[row + x / 8] = static_cast<char>(mask[row + x / 8] | (0x80 >> (x % 8)));
        }
        // The height covers the colour bitmap and the AND mask stacked on top of each other.
        DibSpec spec { kInfoHeaderSize, img.width(), img.height() * 2, paletted ? 8 : 32, kBiRgb, 1,
            {}, indexed.palette, static_cast<int>(indexed.palette.size()), colour + mask };
        spec.pixelsPerMetre = 0;
        return WriteDib(spec, false);
    }

    QByteArray WriteIconFile(const QList<IconImage>& images, int type, QPoint hotspot)
    {
        QList<IconDirEntry> entries;
        for (const IconImage& entry : images) {
            const int bits = entry.png ? 32 : entry.bits;
            entries.append({ entry.image.width() >= 256 ? 0 : entry.image.width(),
                entry.image.height() >= 256 ? 0 : entry.image.height(), bits < 8 ? 1 << bits : 0,
                type == 1 ? 1 : hotspot.x(), type == 1 ? bits : hotspot.y(),
                entry.png ? WritePng(entry.image) : IconDib(entry.image, entry.bits) });
        }
        return WriteIconDirectory(type, entries);
    }

} // namespace

QImage Solid(QSize size, QColor colour, QImage::Format format)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

QImage Gradient(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 128));
    return image;
}

QImage Grainy(QSize size, QRgb tint)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = tint | 1; // a linear congruential generator: the same picture every time
    const auto channel = [](int base, int light) { return std::clamp(base + light, 0, 255); };
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int light
                = x * 64 / size.width() + y * 64 / size.height() + int(noise >> 27) - 16;
            row[x] = qRgb(channel(qRed(tint), light), channel(qGreen(tint), light),
                channel(qBlue(tint), light));
        }
    }
    return image;
}

QImage Quadrants(QSize size, QRgb topLeft)
{
    using namespace quadrant;
    QImage image(size, QImage::Format_ARGB32);
    const int w = size.width(), h = size.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, y < h / 2 ? (x < w / 2 ? topLeft : kGreen) : (x < w / 2 ? kBlue : kYellow));
    return image;
}

QByteArray WriteByName(const QString& name, const QImage& img)
{
    const QString lower = name.toLower();
    return lower.endsWith(".gif") ? WriteGif(img)
        : lower.endsWith(".jpg")  ? WriteJpeg(img, 90)
        : lower.endsWith(".ico")  ? WriteIco({ { img.scaled(32, 32) } })
                                  : WriteBmp(img);
}

QByteArray WriteBmp(const QImage& img, int bits) { return WriteDib(Uncompressed(img, bits)); }

QByteArray WriteHeaderlessDib(const QImage& img, int bits, int pixelsPerMetre)
{
    DibSpec spec = Uncompressed(img, bits);
    spec.pixelsPerMetre = pixelsPerMetre;
    return WriteDib(spec, false);
}

QByteArray WriteRle8Bmp(const QImage& img) { return WriteRleBmp(img, 8); }

QByteArray WriteRle4Bmp(const QImage& img) { return WriteRleBmp(img, 4); }

QByteArray WriteGif(const QImage& img, std::optional<int> transparentIndex)
{
    Indexed indexed = ToIndexed(img, transparentIndex ? 255 : 256);
    const int at = transparentIndex ? InsertTransparentEntry(indexed, *transparentIndex) : -1;
    int tableBits = 1;
    while ((1 << tableBits) < indexed.palette.size())
        ++tableBits;
    QByteArray out("GIF89a");
    PutLe16(out, static_cast<quint32>(img.width()));
    PutLe16(out, static_cast<quint32>(img.height()));
    Put8(out, 0x80 | (7 << 4) | (tableBits - 1)); // global table, 8-bit colour resolution
    Put8(out, 0); // background index
    Put8(out, 0); // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < indexed.palette.size() ? indexed.palette[i] : qRgb(0, 0, 0);
        Put8(out, qRed(c));
        Put8(out, qGreen(c));
        Put8(out, qBlue(c));
    }
    if (at >= 0) {
        out.append("\x21\xf9\x04\x01\0\0", 6); // graphic control: transparent flag, no delay
        Put8(out, at);
        Put8(out, 0);
    }
    out.append('\x2c');
    PutLe32(out, 0); // left, top
    PutLe16(out, static_cast<quint32>(img.width()));
    PutLe16(out, static_cast<quint32>(img.height()));
    Put8(out, 0); // no local table, not interlaced
    const int minCodeSize = std::max(2, tableBits);
    Put8(out, minCodeSize);
    const QByteArray data = EncodeLzw(indexed.indices, minCodeSize);
    for (qsizetype i = 0; i < data.size(); i += 255) { // sub-blocks of at most 255 bytes
        Put8(out, static_cast<int>(std::min<qsizetype>(255, data.size() - i)));
        out.append(data.mid(i, 255));
    }
    Put8(out, 0); // end of image data
    Put8(out, 0x3b); // trailer
    return out;
}

QByteArray WriteJpeg(const QImage& img, int quality, std::optional<int> exifOrientation)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!img.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", quality))
        return {};
    if (!exifOrientation || jpeg.size() < 2)
        return jpeg;
    return WithApp1(jpeg, OrientationExif(static_cast<quint32>(*exifOrientation)));
}

QByteArray WriteIconDirectory(int type, const QList<IconDirEntry>& entries)
{
    QByteArray out;
    PutLe16(out, 0);
    PutLe16(out, static_cast<quint32>(type));
    PutLe16(out, static_cast<quint32>(entries.size()));
    QByteArray payloads;
    const auto firstOffset = static_cast<quint32>(6 + 16 * entries.size());
    for (const IconDirEntry& entry : entries) {
        Put8(out, static_cast<quint32>(entry.width));
        Put8(out, static_cast<quint32>(entry.height));
        Put8(out, static_cast<quint32>(entry.colours));
        Put8(out, 0);
        PutLe16(out, static_cast<quint32>(entry.planesOrX));
        PutLe16(out, static_cast<quint32>(entry.bitsOrY));
        PutLe32(out, static_cast<quint32>(entry.payload.size()));
        PutLe32(out, firstOffset + static_cast<quint32>(payloads.size()));
        payloads.append(entry.payload);
    }
    return out + payloads;
}

QByteArray WriteIco(const QList<IconImage>& images) { return WriteIconFile(images, 1, QPoint()); }

QByteArray WriteCur(const QList<IconImage>& images, QPoint hotspot)
{
    return WriteIconFile(images, 2, hotspot);
}

QByteArray WritePng(const QImage& img, const QList<std::pair<QString, QString>>& texts,
    const QList<std::pair<QByteArray, QByteArray>>& chunks)
{
    QImage withTexts = img;
    for (const auto& [key, text] : texts)
        withTexts.setText(key, text);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    withTexts.save(&buffer, "PNG");
    QByteArray added;
    for (const auto& [type, data] : chunks)
        added += PngChunk(type, data);
    constexpr qsizetype kHeaderChunkEnd = 8 + 12 + 13; // signature, IHDR
    QByteArray png = buffer.data();
    return png.insert(kHeaderChunkEnd, added);
}

QByteArray PngChunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray chunk;
    PutBe32(chunk, static_cast<quint32>(data.size()));
    chunk += type + data;
    PutBe32(chunk,
        static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4),
            static_cast<uInt>(chunk.size() - 4))));
    return chunk;
}

QByteArray WriteRgb48Png(const QImage& img, std::optional<QRgba64> transparent)
{
    QByteArray header, rows, colour;
    PutBe32(header, static_cast<quint32>(img.width()));
    PutBe32(header, static_cast<quint32>(img.height()));
    header.append("\x10\x02\x00\x00\x00", 5); // 16-bit RGB, deflate, no interlace
    const auto putRgb = [](QByteArray& out, QRgba64 c) {
        PutBe16(out, c.red());
        PutBe16(out, c.green());
        PutBe16(out, c.blue());
    };
    for (int y = 0; y < img.height(); ++y) {
        rows.append('\0'); // no filter
        for (int x = 0; x < img.width(); ++x)
            putRgb(rows, img.pixelColor(x, y).rgba64());
    }
    if (transparent)
        putRgb(colour, *transparent);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header)
        + (transparent ? PngChunk("tRNS", colour) : QByteArray())
        + PngChunk("IDAT", qCompress(rows).mid(4)) + PngChunk("IEND", {});
}

RleCodes& RleCodes::Run(int count, int value)
{
    bytes_.append(static_cast<char>(count)).append(static_cast<char>(value));
    return *this;
}

RleCodes& RleCodes::Delta(int right, int up)
{
    Escape(2);
    bytes_.append(static_cast<char>(right)).append(static_cast<char>(up));
    return *this;
}

RleCodes& RleCodes::Literal(int count, const QByteArray& data)
{
    bytes_.append('\0').append(static_cast<char>(count)).append(data);
    if (data.size() % 2)
        bytes_.append('\0');
    return *this;
}

RleCodes& RleCodes::Escape(int code)
{
    bytes_.append('\0').append(static_cast<char>(code));
    return *this;
}

} // namespace gb::tools
