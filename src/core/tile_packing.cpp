#include "core/tile_packing.h"

#include "core/huffman_code.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace gb::core {

namespace {

    constexpr int kPlanes = 3; // green, red - green, blue - green
    constexpr int kMaxSide = 0xFFFF; // the header keeps each side in 16 bits
    constexpr std::size_t kHeaderBytes = 4 + kPlanes; // width, height, each plane's first sample

    // The median edge detector of LOCO-I, from the left, upper and upper-left samples: the
    // plane through the three, kept between the left and the upper one. Written with min and
    // max alone, which compile without branches: on grainy pictures a branch would be a guess.
    int Med(int left, int up, int corner)
    {
        return std::min(std::max(left + up - corner, std::min(left, up)), std::max(left, up));
    }

    // Prediction errors (modulo 256) in order of size: 0, -1, 1, -2, 2 ...
    std::uint8_t ZigZag8(std::uint8_t error)
    {
        return static_cast<std::uint8_t>((error << 1) ^ (error & 0x80 ? 0xFF : 0));
    }

    std::uint8_t UnZigZag8(std::uint8_t z)
    {
        return static_cast<std::uint8_t>((z >> 1) ^ (z & 1 ? 0xFF : 0));
    }

    // The errors of predicting every sample of a `width` wide plane from the samples before it.
    // The first sample is kept in the header, the rest of the first row is predicted from the
    // left and the first column from above. Elsewhere the median edge detector in eight bits:
    // where the corner lies outside the left and upper samples, the plane through the three would
    // too, and the nearer of the two is taken instead; between them it cannot wrap around.
    // Written as selections over bytes along the whole plane, so that the compiler can work on
    // many samples at once; the first column is put right afterwards.
    void Predict(const std::uint8_t* plane, std::size_t area, std::size_t width, std::uint8_t* out)
    {
        out[0] = 0;
        for (std::size_t x = 1; x < width; ++x)
            out[x] = ZigZag8(static_cast<std::uint8_t>(plane[x] - plane[x - 1]));
        for (std::size_t at = width + 1; at < area; ++at) {
            const std::uint8_t left = plane[at - 1];
            const std::uint8_t above = plane[at - width];
            const std::uint8_t corner = plane[at - width - 1];
            const std::uint8_t low = std::min(left, above);
            const std::uint8_t high = std::max(left, above);
            const auto through = static_cast<std::uint8_t>(left + above - corner);
            const std::uint8_t predicted = corner >= high ? low : corner <= low ? high : through;
            out[at] = ZigZag8(static_cast<std::uint8_t>(plane[at] - predicted));
        }
        for (std::size_t at = width; at < area; at += width)
            out[at] = ZigZag8(static_cast<std::uint8_t>(plane[at] - plane[at - width]));
    }

    // Turns a row of each plane's prediction errors back into samples, in the order they were
    // predicted: the three planes side by side, each sample kept at hand for the next one.
    void UnpredictRow(std::uint8_t* const row[kPlanes], int width)
    {
        int left[kPlanes];
        int corner[kPlanes];
        for (int p = 0; p < kPlanes; ++p) {
            corner[p] = row[p][-width];
            left[p] = (corner[p] + row[p][0]) & 0xFF;
            row[p][0] = static_cast<std::uint8_t>(left[p]);
        }
        for (int x = 1; x < width; ++x) {
            for (int p = 0; p < kPlanes; ++p) {
                const int up = row[p][x - width];
                left[p] = (Med(left[p], up, corner[p]) + row[p][x]) & 0xFF;
                row[p][x] = static_cast<std::uint8_t>(left[p]);
                corner[p] = up;
            }
        }
    }

    // Turns the planes of prediction errors back into samples.
    void Unpredict(std::uint8_t* planes, int width, int height, const std::uint8_t* first)
    {
        const std::size_t area = static_cast<std::size_t>(width) * height;
        for (std::size_t i = 0; i < area * kPlanes; ++i) // the errors themselves, all at once
            planes[i] = UnZigZag8(planes[i]);
        std::uint8_t* row[kPlanes] = { planes, planes + area, planes + 2 * area };
        for (int p = 0; p < kPlanes; ++p) {
            int left = first[p];
            for (int x = 0; x < width; ++x) {
                left = (left + row[p][x]) & 0xFF;
                row[p][x] = static_cast<std::uint8_t>(left);
            }
        }
        for (int y = 1; y < height; ++y) {
            for (std::uint8_t*& plane : row)
                plane += width;
            UnpredictRow(row, width);
        }
    }

    // The prediction errors of every plane (green, red - green, blue - green), one plane after
    // the other.
    std::vector<std::uint8_t> PredictionErrors(const QImage& rgb)
    {
        const std::size_t width = rgb.width();
        const std::size_t area = width * rgb.height();
        std::vector<std::uint8_t> planes(area * kPlanes);
        std::uint8_t* green = planes.data();
        std::uint8_t* red = green + area;
        std::uint8_t* blue = red + area;
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* pixels = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            const std::size_t row = y * width;
            for (std::size_t x = 0; x < width; ++x) {
                green[row + x] = static_cast<std::uint8_t>(pixels[x] >> 8);
                red[row + x] = static_cast<std::uint8_t>((pixels[x] >> 16) - (pixels[x] >> 8));
                blue[row + x] = static_cast<std::uint8_t>(pixels[x] - (pixels[x] >> 8));
            }
        }
        std::vector<std::uint8_t> errors(area * kPlanes);
        for (int p = 0; p < kPlanes; ++p)
            Predict(planes.data() + area * p, area, width, errors.data() + area * p);
        return errors;
    }

    // How often each symbol occurs, counted in four lanes: a run of one symbol would otherwise
    // have every count wait for the one before it.
    HuffmanCode::Counts CountSymbols(const std::uint8_t* symbols, std::size_t count)
    {
        std::array<HuffmanCode::Counts, 4> lanes {};
        for (std::size_t i = 0; i < count; ++i)
            ++lanes[i % 4][symbols[i]];
        HuffmanCode::Counts counts {};
        for (int symbol = 0; symbol < 256; ++symbol)
            counts[symbol]
                = lanes[0][symbol] + lanes[1][symbol] + lanes[2][symbol] + lanes[3][symbol];
        return counts;
    }

} // namespace

QByteArray PackPixels(const QImage& picture)
{
    const QImage rgb = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB888).convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull() || rgb.width() > kMaxSide || rgb.height() > kMaxSide)
        return {};
    const std::vector<std::uint8_t> errors = PredictionErrors(rgb);
    const std::size_t area = errors.size() / kPlanes;
    // Written into a buffer kept for the thread: only its start is ever used, and growing a
    // vector would clear it first.
    thread_local std::vector<std::uint8_t> buffer;
    buffer.resize(
        std::max(buffer.size(), kHeaderBytes + kPlanes * HuffmanCode::MaxWrittenBytes(area)));
    std::uint8_t* out = buffer.data();
    qToLittleEndian(static_cast<quint16>(rgb.width()), out);
    qToLittleEndian(static_cast<quint16>(rgb.height()), out + 2);
    const QRgb first = rgb.pixel(0, 0);
    out[4] = static_cast<std::uint8_t>(qGreen(first));
    out[5] = static_cast<std::uint8_t>(qRed(first) - qGreen(first));
    out[6] = static_cast<std::uint8_t>(qBlue(first) - qGreen(first));
    std::size_t size = kHeaderBytes;
    for (int p = 0; p < kPlanes; ++p) {
        const std::uint8_t* plane = errors.data() + area * p;
        const HuffmanCode code = HuffmanCode::ForCounts(CountSymbols(plane, area));
        size += code.WriteLengths(out + size);
        size += code.Encode(plane, area, out + size);
    }
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
}

QImage UnpackPixels(const QByteArray& packed, QSize size)
{
    const std::size_t bytes = static_cast<std::size_t>(packed.size());
    if (size.isEmpty() || bytes < kHeaderBytes)
        return {};
    std::vector<std::uint8_t> data(bytes + HuffmanCode::kReadSlack); // room to read ahead
    std::memcpy(data.data(), packed.constData(), bytes);
    if (qFromLittleEndian<quint16>(data.data()) != size.width()
        || qFromLittleEndian<quint16>(data.data() + 2) != size.height())
        return {};
    const std::size_t area = static_cast<std::size_t>(size.width()) * size.height();
    std::vector<std::uint8_t> planes(area * kPlanes);
    std::size_t at = kHeaderBytes;
    for (int p = 0; p < kPlanes; ++p) {
        const std::optional<HuffmanCode> code = HuffmanCode::ReadLengths(data.data(), bytes, at);
        if (!code || !code->Decode(data.data(), bytes, at, planes.data() + area * p, area))
            return {};
    }
    if (at != bytes)
        return {};
    Unpredict(planes.data(), size.width(), size.height(), data.data() + 4);
    QImage picture(size, QImage::Format_RGB888);
    const std::uint8_t* green = planes.data();
    const std::uint8_t* red = green + area;
    const std::uint8_t* blue = red + area;
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = picture.scanLine(y);
        const std::size_t row = static_cast<std::size_t>(y) * size.width();
        for (std::size_t x = 0; x < static_cast<std::size_t>(size.width()); ++x) {
            line[3 * x] = static_cast<uchar>(red[row + x] + green[row + x]);
            line[3 * x + 1] = green[row + x];
            line[3 * x + 2] = static_cast<uchar>(blue[row + x] + green[row + x]);
        }
    }
    return picture;
}

} // namespace gb::core
