#include "formats/thumbnail_match.h"

#include <QIODevice>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace gb::formats {

namespace {

    // The band: the top rows of the picture decoded at an eighth, its cost growing with them
    // (about 0.02 ms a row for 12 megapixels), and as many of the thumbnail's rows.
    constexpr int kBandRows = 8;
    // Room for the Huffman tables and scan header between the frame header and the picture data.
    constexpr qint64 kTablesAfterFrame = 4096;
    constexpr int kCells = 8; // across the band
    // The most the mean colours of a cell may differ, summed over red, green and blue (0..765).
    // A thumbnail made from the picture stays well within it, recompressed or not.
    constexpr int kMaxCellDifference = 48;
    constexpr int kReduction = 8; // libjpeg's strongest: each 8 x 8 block becomes one pixel
    // What the band's decoder fetches at a time past the bytes it holds: on a share, a few round
    // trips for a camera picture's top rows, and at most this much read beyond them.
    constexpr qint64 kChunk = 32 * 1024;

    // The first `limit` bytes of a file, fetched through `read` a chunk at a time as Qt's JPEG
    // reader asks for them. The reader stops once it has the band's rows, and so does fetching:
    // of a sequential picture only its top rows are read. A short or failed read ends the file.
    class PrefixDevice : public QIODevice {
    public:
        PrefixDevice(const ReadBytes& read, qint64 limit)
            : read_(read)
            , limit_(limit)
        {
        }
        bool isSequential() const override { return false; }
        qint64 size() const override { return limit_; }

    protected:
        qint64 readData(char* data, qint64 maxSize) override
        {
            const qint64 at = pos();
            while (!ended_ && at >= fetched_.size() && fetched_.size() < limit_) {
                const qint64 wanted = std::min(kChunk, limit_ - fetched_.size());
                const QByteArray chunk = read_(fetched_.size(), wanted);
                fetched_.append(chunk.left(wanted));
                ended_ = chunk.size() < wanted;
            }
            const qint64 length = std::clamp<qint64>(fetched_.size() - at, 0, maxSize);
            std::memcpy(data, fetched_.constData() + at, size_t(length));
            return length;
        }
        qint64 writeData(const char*, qint64) override { return -1; }

    private:
        const ReadBytes& read_;
        const qint64 limit_;
        QByteArray fetched_; // from the start of the file
        bool ended_ = false;
    };

    // The mean colours of the cells across the top `rows` of `image`.
    QImage CellMeans(const QImage& image, int rows)
    {
        return image.copy(0, 0, image.width(), rows)
            .convertToFormat(QImage::Format_RGB32)
            .scaled(kCells, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    QImage DecodeBand(const ReadBytes& read, qint64 prefixBytes, QSize frame)
    {
        PrefixDevice prefix(read, prefixBytes);
        if (!prefix.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return {};
        QImageReader reader(&prefix, "jpeg");
        reader.setAutoTransform(false);
        const QSize reduced((frame.width() + kReduction - 1) / kReduction,
            (frame.height() + kReduction - 1) / kReduction);
        reader.setScaledSize(reduced);
        reader.setScaledClipRect(
            QRect(0, 0, reduced.width(), std::min(kBandRows, reduced.height())));
        return reader.read();
    }

} // namespace

bool ShowsSamePicture(
    const QImage& thumbnail, const ReadBytes& read, qint64 prefixBytes, QSize frame)
{
    const QImage band = DecodeBand(read, prefixBytes, frame);
    if (band.isNull() || thumbnail.isNull())
        return false;
    // The band's share of the picture's rows, of the thumbnail's.
    const int rows = int(
        std::lround(double(band.height()) * kReduction * thumbnail.height() / frame.height()));
    const QImage main = CellMeans(band, band.height()),
                 small = CellMeans(thumbnail, std::max(1, rows));
    for (int x = 0; x < kCells; ++x) {
        const QRgb a = main.pixel(x, 0), b = small.pixel(x, 0);
        if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b))
                + std::abs(qBlue(a) - qBlue(b))
            > kMaxCellDifference)
            return false;
    }
    return true;
}

qint64 PrefixForMatch(qint64 frameAt, qint64 fileSize, int frameHeight)
{
    const qint64 data = std::max<qint64>(0, fileSize - frameAt);
    return frameAt + kTablesAfterFrame
        + data * 2 * kBandRows * kReduction / std::max(1, frameHeight);
}

} // namespace gb::formats
