#include "formats/thumbnail_match.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>

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

    // The mean colours of the cells across the top `rows` of `image`.
    QImage CellMeans(const QImage& image, int rows)
    {
        return image.copy(0, 0, image.width(), rows)
            .convertToFormat(QImage::Format_RGB32)
            .scaled(kCells, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    QImage DecodeBand(const QByteArray& prefix, QSize frame)
    {
        QByteArray bytes = prefix;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::ReadOnly))
            return {};
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(false);
        const QSize reduced((frame.width() + kReduction - 1) / kReduction,
            (frame.height() + kReduction - 1) / kReduction);
        reader.setScaledSize(reduced);
        reader.setScaledClipRect(
            QRect(0, 0, reduced.width(), std::min(kBandRows, reduced.height())));
        return reader.read();
    }

} // namespace

bool ShowsSamePicture(const QImage& thumbnail, const QByteArray& picturePrefix, QSize frame)
{
    const QImage band = DecodeBand(picturePrefix, frame);
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
