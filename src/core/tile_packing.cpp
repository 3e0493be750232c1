#include "core/tile_packing.h"

#include <algorithm>
#include <vector>
#include <zlib.h>

namespace gb::core {

namespace {

    constexpr int kPlanes = 3; // green, red - green, blue - green
    constexpr int kRawDeflate = -15; // no zlib header: the size is known from the tile

    // The median edge detector of LOCO-I, from the left, upper and upper-left samples.
    int Med(int left, int up, int corner)
    {
        if (corner >= std::max(left, up))
            return std::min(left, up);
        if (corner <= std::min(left, up))
            return std::max(left, up);
        return left + up - corner;
    }

    // Calls visit(sample, prediction) for every sample of `plane` in order, each predicted from
    // the samples before it as they are by then.
    template <typename Visit>
    void ForEachPrediction(uchar* plane, int width, int height, Visit visit)
    {
        for (int y = 0; y < height; ++y) {
            uchar* row = plane + static_cast<ptrdiff_t>(y) * width;
            const uchar* up = row - width;
            for (int x = 0; x < width; ++x) {
                if (y == 0)
                    visit(row[x], x == 0 ? 0 : row[x - 1]);
                else
                    visit(row[x], x == 0 ? up[0] : Med(row[x - 1], up[x], up[x - 1]));
            }
        }
    }

    // Plane `plane` of the pixel at `source` (three bytes, R G B).
    uchar PlaneSample(const uchar* source, int plane)
    {
        return plane == 0 ? source[1] : static_cast<uchar>(source[plane == 1 ? 0 : 2] - source[1]);
    }

    // One Huffman coder per thread, reset for every tile: setting one up costs about as much as
    // coding a tile.
    class Deflater {
    public:
        Deflater()
            : ready_(
                deflateInit2(&stream_, Z_BEST_SPEED, Z_DEFLATED, kRawDeflate, 8, Z_HUFFMAN_ONLY)
                == Z_OK)
        {
        }
        ~Deflater()
        {
            if (ready_)
                deflateEnd(&stream_);
        }
        Deflater(const Deflater&) = delete;
        Deflater& operator=(const Deflater&) = delete;

        QByteArray Pack(std::vector<uchar>& data)
        {
            if (!ready_ || deflateReset(&stream_) != Z_OK)
                return {};
            QByteArray packed(static_cast<qsizetype>(deflateBound(&stream_, data.size())), '\0');
            stream_.next_in = data.data();
            stream_.avail_in = static_cast<uInt>(data.size());
            stream_.next_out = reinterpret_cast<Bytef*>(packed.data());
            stream_.avail_out = static_cast<uInt>(packed.size());
            const bool done = deflate(&stream_, Z_FINISH) == Z_STREAM_END;
            packed.resize(done ? static_cast<qsizetype>(stream_.total_out) : 0);
            packed.squeeze();
            return packed;
        }

    private:
        z_stream stream_ {};
        bool ready_;
    };

} // namespace

QByteArray PackPixels(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const int width = rgb.width();
    const size_t area = static_cast<size_t>(width) * static_cast<size_t>(rgb.height());
    std::vector<uchar> plane(area);
    std::vector<uchar> residuals(area * kPlanes);
    uchar* out = residuals.data();
    for (int p = 0; p < kPlanes; ++p) {
        for (int y = 0; y < rgb.height(); ++y) {
            const uchar* line = rgb.constScanLine(y);
            for (int x = 0; x < width; ++x)
                plane[static_cast<size_t>(y * width + x)] = PlaneSample(line + 3 * x, p);
        }
        ForEachPrediction(plane.data(), width, rgb.height(), [&out](uchar sample, int predicted) {
            *out++ = static_cast<uchar>(sample - predicted);
        });
    }
    thread_local Deflater deflater;
    return deflater.Pack(residuals);
}

namespace {

    // Inflates `packed` into exactly `out.size()` bytes; false when it holds more, less or junk.
    bool InflateExactly(const QByteArray& packed, std::vector<uchar>& out)
    {
        z_stream stream {};
        if (inflateInit2(&stream, kRawDeflate) != Z_OK)
            return false;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
        stream.avail_in = static_cast<uInt>(packed.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const bool whole = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_out == 0;
        inflateEnd(&stream);
        return whole;
    }

    // Turns a plane of prediction errors back into samples, in the order they were predicted.
    void Unpredict(uchar* plane, int width, int height)
    {
        ForEachPrediction(plane, width, height,
            [](uchar& sample, int predicted) { sample = static_cast<uchar>(sample + predicted); });
    }

} // namespace

QImage UnpackPixels(const QByteArray& packed, QSize size)
{
    const int width = std::max(0, size.width());
    const size_t area
        = static_cast<size_t>(width) * static_cast<size_t>(std::max(0, size.height()));
    std::vector<uchar> planes(area * kPlanes);
    if (area == 0 || !InflateExactly(packed, planes))
        return {};
    for (int p = 0; p < kPlanes; ++p)
        Unpredict(planes.data() + area * static_cast<size_t>(p), width, size.height());
    QImage picture(size, QImage::Format_RGB888);
    const uchar* green = planes.data();
    const uchar* red = green + area;
    const uchar* blue = red + area;
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y * width + x);
            line[3 * x] = static_cast<uchar>(red[at] + green[at]);
            line[3 * x + 1] = green[at];
            line[3 * x + 2] = static_cast<uchar>(blue[at] + green[at]);
        }
    }
    return picture;
}

} // namespace gb::core
