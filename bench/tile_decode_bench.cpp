// A tile's decode against the whole picture's, through the program's one decode entry: for the
// types decoded at a reduced size or from a stored smaller copy (WebP scaled by libwebp, a TIFF's
// reduced image) that is the saving; the mean colour error between the tile's decode and the
// whole picture scaled to the same size shows what it costs in looks. For bench/new-types.sh.
//
//   glimmerbox_tile_bench [--rounds N] FILE...
//
// The files are read into memory once and decoded on as many threads as the machine has cores,
// as the program decodes them. Prints the medians over the rounds of the wall-clock time for all
// of them, and the largest mean error (0..255) of any file.
#include "bench_files.h"
#include "formats/byte_source.h"
#include "formats/picture_decoder.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace gb::formats;

std::optional<LoadedPicture> Decode(const QByteArray& bytes, QSize box)
{
    PictureOptions options;
    options.everyType = options.embeddedThumbnail = true;
    options.reduceFor = box;
    MemoryByteSource source(bytes);
    LoadFailure failure = LoadFailure::None;
    return DecodePicture(source, options, failure);
}

double MeanError(const QImage& tile, const QImage& whole)
{
    const QImage a = tile.convertToFormat(QImage::Format_RGB32);
    const QImage b = whole.scaled(tile.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q))
                + qAbs(qBlue(p) - qBlue(q));
        }
    return double(sum) / (3.0 * a.width() * a.height());
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv); // Qt's image readers need it
    const auto read = gb::bench::ReadBenchFiles(app.arguments().mid(1), "glimmerbox_tile_bench");
    if (!read)
        return 2;
    const std::vector<QByteArray>& files = read->bytes;
    const int rounds = read->rounds;
    const QSize tile(62, 62);
    double worst = 0;
    for (const QByteArray& bytes : files) {
        const auto reduced = Decode(bytes, tile), whole = Decode(bytes, QSize());
        if (!reduced || !whole) {
            std::fprintf(stderr, "a file did not decode\n");
            return 1;
        }
        worst = std::max(worst, MeanError(reduced->image, whole->image));
    }
    std::vector<double> tiles, wholes;
    for (int round = 0; round < rounds; ++round) {
        const auto tileMs = gb::bench::TimeOnEveryCore(
            files.size(), [&](size_t at) { return Decode(files[at], tile).has_value(); });
        const auto wholeMs = gb::bench::TimeOnEveryCore(
            files.size(), [&](size_t at) { return Decode(files[at], QSize()).has_value(); });
        if (!tileMs || !wholeMs)
            return 1;
        tiles.push_back(*tileMs);
        wholes.push_back(*wholeMs);
    }
    std::printf("tile-bench files=%zu ms_tile=%.1f ms_whole=%.1f worst_mean_error=%.2f\n",
        files.size(), Median(tiles), Median(wholes), worst);
    return 0;
}
