#include "samplegen/image_writers.h"

#include <QBuffer>
#include <QDataStream>
#include <QHash>
#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace gb::tools {

namespace {

    constexpr int kInfoHeaderSize = 40;
    constexpr int kV4HeaderSize = 108;
    constexpr int kFileHeaderSize = 14;
    constexpr quint32 kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

    void PutU8(QByteArray& out, int v) { out.append(static_cast<char>(v & 0xff)); }
    void PutU16(QByteArray& out, quint32 v)
    {
        PutU8(out, static_cast<int>(v));
        PutU8(out, static_cast<int>(v >> 8));
    }
    void PutU32(QByteArray& out, quint32 v)
    {
        PutU16(out, v & 0xffff);
        PutU16(out, v >> 16);
    }

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

    void PutInfoHeader(
        QByteArray& out, QSize size, int bits, quint32 compression, quint32 imageBytes, int colours)
    {
        const bool withAlpha = bits == 32;
        PutU32(out, withAlpha ? kV4HeaderSize : kInfoHeaderSize);
        PutU32(out, static_cast<quint32>(size.width()));
        PutU32(out, static_cast<quint32>(size.height()));
        PutU16(out, 1);
        PutU16(out, static_cast<quint32>(bits));
        PutU32(out, withAlpha ? kBiBitfields : compression);
        PutU32(out, imageBytes);
        PutU32(out, 2835); // 72 dpi
        PutU32(out, 2835);
        PutU32(out, static_cast<quint32>(colours));
        PutU32(out, 0);
        if (!withAlpha)
            return;
        for (quint32 mask : { 0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0xff000000u })
            PutU32(out, mask);
        PutU32(out, 0x73524742); // 'sRGB'
        out.append(QByteArray(36 + 12, '\0')); // endpoints and gamma, unused for sRGB
    }

    void PutPalette(QByteArray& out, const QList<QRgb>& palette)
    {
        for (QRgb c : palette) {
            PutU8(out, qBlue(c));
            PutU8(out, qGreen(c));
            PutU8(out, qRed(c));
            PutU8(out, 0);
        }
    }

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

    QByteArray BuildDib(const QImage& img, int bits)
    {
        const bool paletted = bits == 4 || bits == 8;
        const QImage opaque = bits == 32 ? img : img.convertToFormat(QImage::Format_RGB32);
        const Indexed indexed = paletted ? ToIndexed(opaque, 1 << bits) : Indexed {};
        const QByteArray pixels = PackPixels(opaque, bits, indexed);
        QByteArray out;
        PutInfoHeader(out, img.size(), bits, kBiRgb, static_cast<quint32>(pixels.size()),
            static_cast<int>(indexed.palette.size()));
        PutPalette(out, indexed.palette);
        return out + pixels;
    }

    QByteArray WithFileHeader(const QByteArray& dib, quint32 pixelOffset)
    {
        QByteArray out("BM");
        PutU32(out, static_cast<quint32>(kFileHeaderSize + dib.size()));
        PutU32(out, 0);
        PutU32(out, kFileHeaderSize + pixelOffset);
        return out + dib;
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
                PutU8(out, static_cast<int>(run));
                PutU8(out, nibbles ? (row[i] << 4) | row[i] : row[i]);
                i += run;
                continue;
            }
            const size_t literal = LiteralLength(row, i);
            if (literal < 3) {
                // Too short for absolute mode; in RLE4 one encoded run alternates two nibbles.
                for (size_t k = 0; k < literal; k += nibbles ? 2 : 1) {
                    const size_t count = nibbles ? std::min<size_t>(2, literal - k) : 1;
                    const int second = count == 2 ? row[i + k + 1] : 0;
                    PutU8(out, static_cast<int>(count));
                    PutU8(out, nibbles ? (row[i + k] << 4) | second : row[i + k]);
                }
            } else {
                PutU8(out, 0);
                PutU8(out, static_cast<int>(literal));
                QByteArray bytes;
                for (size_t k = 0; k < literal; ++k) {
                    if (!nibbles)
                        PutU8(bytes, row[i + k]);
                    else if (k % 2 == 0)
                        PutU8(bytes, row[i + k] << 4);
                    else
                        bytes[bytes.size() - 1] = static_cast<char>(bytes.back() | row[i + k]);
                }
                if (bytes.size() % 2)
                    PutU8(bytes, 0); // absolute runs end on a 16-bit boundary
                out.append(bytes);
            }
            i += literal;
        }
        PutU8(out, 0); // end of line
        PutU8(out, 0);
    }

    QByteArray WriteRleBmp(const QImage& img, int bits)
    {
        const Indexed indexed = ToIndexed(img.convertToFormat(QImage::Format_RGB32), 1 << bits);
        QByteArray pixels;
        for (int y = indexed.height - 1; y >= 0; --y) {
            const auto first = indexed.indices.begin() + static_cast<ptrdiff_t>(y) * indexed.width;
            EncodeRleRow(pixels, std::vector<uint8_t>(first, first + indexed.width), bits == 4);
        }
        PutU8(pixels, 0); // end of bitmap
        PutU8(pixels, 1);
        QByteArray dib;
        PutInfoHeader(dib, img.size(), bits, bits == 8 ? kBiRle8 : kBiRle4,
            static_cast<quint32>(pixels.size()), static_cast<int>(indexed.palette.size()));
        PutPalette(dib, indexed.palette);
        return WithFileHeader(dib + pixels, static_cast<quint32>(dib.size()));
    }

    // Variable-width LZW codes packed least significant bit first, as GIF wants them.
    class CodePacker {
    public:
        void Put(int code, int width)
        {
            buffer_ |= static_cast<quint32>(code) << bitCount_;
            bitCount_ += width;
            while (bitCount_ >= 8) {
                PutU8(bytes_, static_cast<int>(buffer_));
                buffer_ >>= 8;
                bitCount_ -= 8;
            }
        }
        QByteArray Finish()
        {
            if (bitCount_ > 0)
                PutU8(bytes_, static_cast<int>(buffer_));
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
        QByteArray out;
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
        QByteArray header;
        PutU32(header, kInfoHeaderSize);
        PutU32(header, static_cast<quint32>(img.width()));
        PutU32(header, static_cast<quint32>(img.height() * 2));
        PutU16(header, 1);
        PutU16(header, paletted ? 8 : 32);
        PutU32(header, kBiRgb);
        PutU32(header, static_cast<quint32>(colour.size() + mask.size()));
        header.append(QByteArray(8, '\0'));
        PutU32(header, static_cast<quint32>(indexed.palette.size()));
        PutU32(header, 0);
        PutPalette(header, indexed.palette);
        return header + colour + mask;
    }

    QByteArray WriteIconFile(const QList<IconImage>& images, int type, QPoint hotspot)
    {
        QByteArray out;
        PutU16(out, 0);
        PutU16(out, static_cast<quint32>(type));
        PutU16(out, static_cast<quint32>(images.size()));
        QByteArray payloads;
        const int firstOffset = 6 + 16 * static_cast<int>(images.size());
        for (const IconImage& entry : images) {
            QByteArray payload;
            if (entry.png) {
                QBuffer buffer(&payload);
                buffer.open(QIODevice::WriteOnly);
                entry.image.save(&buffer, "PNG");
            } else {
                payload = IconDib(entry.image, entry.bits);
            }
            const int bits = entry.png ? 32 : entry.bits;
            PutU8(out, entry.image.width() >= 256 ? 0 : entry.image.width());
            PutU8(out, entry.image.height() >= 256 ? 0 : entry.image.height());
            PutU8(out, bits < 8 ? 1 << bits : 0);
            PutU8(out, 0);
            PutU16(out, static_cast<quint32>(type == 1 ? 1 : hotspot.x()));
            PutU16(out, static_cast<quint32>(type == 1 ? bits : hotspot.y()));
            PutU32(out, static_cast<quint32>(payload.size()));
            PutU32(out, static_cast<quint32>(firstOffset + payloads.size()));
            payloads.append(payload);
        }
        return out + payloads;
    }

    QByteArray ExifOrientationSegment(int orientation)
    {
        QByteArray tiff("MM\0\x2a\0\0\0\x08", 8); // big-endian, first IFD right after
        tiff.append('\0').append('\x01'); // one entry
        tiff.append("\x01\x12\0\x03\0\0\0\x01", 8); // Orientation, SHORT, count 1
        tiff.append('\0').append(static_cast<char>(orientation)).append(2, '\0');
        tiff.append(4, '\0'); // no next IFD
        const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
        QByteArray segment("\xff\xe1", 2);
        const int length = static_cast<int>(body.size()) + 2;
        segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xff));
        return segment + body;
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

QByteArray WriteBmp(const QImage& img, int bits)
{
    const QByteArray dib = BuildDib(img, bits);
    const int headerSize = bits == 32 ? kV4HeaderSize : kInfoHeaderSize;
    const int paletteBytes = (bits == 4 || bits == 8)
        ? static_cast<int>(dib.size()) - headerSize - Stride(img.width(), bits) * img.height()
        : 0;
    return WithFileHeader(dib, static_cast<quint32>(headerSize + paletteBytes));
}

QByteArray WriteHeaderlessDib(const QImage& img, int bits) { return BuildDib(img, bits); }

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
    PutU16(out, static_cast<quint32>(img.width()));
    PutU16(out, static_cast<quint32>(img.height()));
    PutU8(out, 0x80 | (7 << 4) | (tableBits - 1)); // global table, 8-bit colour resolution
    PutU8(out, 0); // background index
    PutU8(out, 0); // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < indexed.palette.size() ? indexed.palette[i] : qRgb(0, 0, 0);
        PutU8(out, qRed(c));
        PutU8(out, qGreen(c));
        PutU8(out, qBlue(c));
    }
    if (at >= 0) {
        out.append("\x21\xf9\x04\x01\0\0", 6); // graphic control: transparent flag, no delay
        PutU8(out, at);
        PutU8(out, 0);
    }
    out.append('\x2c');
    PutU32(out, 0); // left, top
    PutU16(out, static_cast<quint32>(img.width()));
    PutU16(out, static_cast<quint32>(img.height()));
    PutU8(out, 0); // no local table, not interlaced
    const int minCodeSize = std::max(2, tableBits);
    PutU8(out, minCodeSize);
    const QByteArray data = EncodeLzw(indexed.indices, minCodeSize);
    for (qsizetype i = 0; i < data.size(); i += 255) { // sub-blocks of at most 255 bytes
        PutU8(out, static_cast<int>(std::min<qsizetype>(255, data.size() - i)));
        out.append(data.mid(i, 255));
    }
    PutU8(out, 0); // end of image data
    PutU8(out, 0x3b); // trailer
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
    return jpeg.left(2) + ExifOrientationSegment(*exifOrientation) + jpeg.mid(2);
}

QByteArray WriteExifSegment(const CameraExif& exif)
{
    QByteArray tiff(exif.bigEndian ? "MM" : "II");
    QDataStream out(&tiff, QIODevice::Append);
    out.setByteOrder(exif.bigEndian ? QDataStream::BigEndian : QDataStream::LittleEndian);
    const auto entry = [&](quint16 tag, quint16 type, quint32 value) {
        out << tag << type << quint32(1);
        type == 3 ? out << quint16(value) << quint16(0) : out << value;
    };
    out << quint16(42) << quint32(8) << quint16(2); // IFD0 at 8, two entries
    entry(0x0112, 3, static_cast<quint32>(exif.orientation));
    entry(0x8769, 4, 38); // the Exif IFD
    out << quint32(68) << quint16(2); // IFD1 next; the Exif IFD's two entries
    const quint16 sizeType = exif.bigEndian ? 3 : 4;
    if (exif.recorded.isValid()) {
        entry(0xa002, sizeType, static_cast<quint32>(exif.recorded.width()));
        entry(0xa003, sizeType, static_cast<quint32>(exif.recorded.height()));
    } else {
        entry(0xa001, 3, 1); // colour space
        entry(0x9209, 3, 0); // flash
    }
    out << quint32(0) << quint16(2); // IFD1
    entry(0x0201, 4, 98);
    entry(0x0202, 4, static_cast<quint32>(exif.thumbnail.size()));
    out << quint32(0);
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff + exif.thumbnail;
    QByteArray segment("\xff\xe1", 2);
    const int length = static_cast<int>(body.size()) + 2;
    PutU8(segment, length >> 8);
    PutU8(segment, length);
    return segment + body;
}

QByteArray WriteIco(const QList<IconImage>& images) { return WriteIconFile(images, 1, QPoint()); }

QByteArray WriteCur(const QList<IconImage>& images, QPoint hotspot)
{
    return WriteIconFile(images, 2, hotspot);
}

QByteArray WritePng(const QImage& img, const QList<std::pair<QString, QString>>& texts)
{
    QImage withTexts = img;
    for (const auto& [key, text] : texts)
        withTexts.setText(key, text);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    withTexts.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray WriteDib(const DibSpec& spec, bool fileHeader)
{
    QByteArray out;
    PutU32(out, static_cast<quint32>(spec.headerSize));
    if (spec.headerSize == 12) {
        PutU16(out, static_cast<quint32>(spec.width));
        PutU16(out, static_cast<quint32>(spec.height));
        PutU16(out, static_cast<quint32>(spec.planes));
        PutU16(out, static_cast<quint32>(spec.bits));
    } else {
        PutU32(out, static_cast<quint32>(spec.width));
        PutU32(out, static_cast<quint32>(spec.height));
        PutU16(out, static_cast<quint32>(spec.planes));
        PutU16(out, static_cast<quint32>(spec.bits));
        PutU32(out, static_cast<quint32>(spec.compression));
        PutU32(out, static_cast<quint32>(spec.pixels.size()));
        PutU32(out, 2835); // 72 dpi
        PutU32(out, 2835);
        PutU32(out, static_cast<quint32>(spec.coloursUsed));
        PutU32(out, 0);
        // From 52 bytes on the masks are header fields; a 40-byte header is followed by them.
        const bool masksInside = spec.headerSize >= 52 && spec.headerSize != 64;
        for (quint32 mask : masksInside ? spec.masks : QList<quint32> {})
            PutU32(out, mask);
        out = out.leftJustified(spec.headerSize, '\0', true);
        for (quint32 mask : masksInside ? QList<quint32> {} : spec.masks)
            PutU32(out, mask);
    }
    for (QRgb c : spec.palette) {
        PutU8(out, qBlue(c));
        PutU8(out, qGreen(c));
        PutU8(out, qRed(c));
        if (spec.headerSize != 12)
            PutU8(out, 0);
    }
    if (!fileHeader)
        return out + spec.pixels;
    QByteArray file = WithFileHeader(out + spec.pixels, static_cast<quint32>(out.size()));
    if (spec.pixelOffset) {
        file.truncate(10);
        PutU32(file, *spec.pixelOffset);
        file += out + spec.pixels;
    }
    return file;
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
