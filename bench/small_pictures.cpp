// Many small pictures for the large-folder run: what matters there is the number of files, not
// their decoding, so they are tiny, but each one is different so that no cache or
// deduplication can stand in for the real work.
#include "small_pictures.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QtConcurrent/QtConcurrentMap>
#include <atomic>
#include <numeric>
#include <vector>

namespace gb::bench {

namespace {

    constexpr int Width = 160;
    constexpr int Height = 120;
    constexpr int Quality = 85;
    constexpr int CodeBits = 20; // enough for a million distinct bar codes
    constexpr int CodeCell = Width / CodeBits;

    // A cheap, repeatable per-pixel grain; without it the encoder would find nothing to code
    // and the files would be unrealistically small.
    int Grain(int index, int x, int y)
    {
        quint32 h = static_cast<quint32>(index) * 2654435761u ^ static_cast<quint32>(x) * 40503u
            ^ static_cast<quint32>(y) * 2246822519u;
        h ^= h >> 15;
        return static_cast<int>(h % 17) - 8;
    }

    int Blend(int from, int to, int t, int span, int grain)
    {
        return std::clamp(from + (to - from) * t / span + grain, 0, 255);
    }

    QImage DrawPicture(int index)
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        // QColor converts from HSV on every channel read: once per picture, not per pixel.
        const QRgb from = QColor::fromHsv((index * 37) % 360, 150, 230).rgb();
        const QRgb to = QColor::fromHsv((index * 37 + 140) % 360, 210, 70).rgb();
        const int span = Width + Height;
        for (int y = 0; y < Height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < Width; ++x) {
                const int g = Grain(index, x, y);
                line[x] = qRgb(Blend(qRed(from), qRed(to), x + y, span, g),
                    Blend(qGreen(from), qGreen(to), x + y, span, g),
                    Blend(qBlue(from), qBlue(to), x + y, span, g));
            }
        }
        // The index as a bar code along the top edge: hues repeat every few hundred files.
        for (int bit = 0; bit < CodeBits; ++bit) {
            const QRgb shade = (index >> bit) & 1 ? qRgb(250, 250, 250) : qRgb(10, 10, 10);
            for (int y = 0; y < CodeCell; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                std::fill(line + bit * CodeCell, line + (bit + 1) * CodeCell, shade);
            }
        }
        return image;
    }

} // namespace

int WriteSmallPictures(int count, const QString& folder)
{
    if (count <= 0 || !QDir().mkpath(folder))
        return 0;
    const QDir dir(folder);
    std::vector<int> indices(static_cast<size_t>(count));
    std::iota(indices.begin(), indices.end(), 0);
    std::atomic<int> written { 0 };
    QtConcurrent::blockingMap(indices, [&](int index) {
        const QString name = QStringLiteral("small_%1.jpg").arg(index, 6, 10, QLatin1Char('0'));
        QImageWriter writer(dir.filePath(name), "jpeg");
        writer.setQuality(Quality);
        if (writer.write(DrawPicture(index)))
            ++written;
    });
    return written.load();
}

} // namespace gb::bench
