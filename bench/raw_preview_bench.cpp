// How long a camera RAW file's tile takes and how much of the file it reads: each FILE (and a
// 24-megapixel DNG written in memory, its 1620 x 1080 preview ahead of 48 MB of sensor data) is
// checked and decoded for a 62 x 62 tile, as often as fits in about a second. Not a test: nothing
// here asserts, it only measures.
// Usage: glimmerbox_raw_bench [--write-large PATH] [FILE...]
#include "formats/raw_decoder.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace {

using namespace gb::formats;

// The file's bytes, counting what a decode reads of them.
class CountingSource : public MemoryByteSource {
public:
    using MemoryByteSource::MemoryByteSource;
    bool Read(qint64 offset, qint64 length, QByteArray& into) override
    {
        const qint64 before = into.size();
        const bool read = MemoryByteSource::Read(offset, length, into);
        bytesRead += into.size() - before;
        return read;
    }
    qint64 bytesRead = 0;
};

QByteArray LargeDng()
{
    return gb::tools::WriteCameraRaw(
        { gb::tools::RawKind::Dng, gb::tools::Quadrants({ 1620, 1080 }), { 6000, 4000 }, 6 });
}

void Measure(const QString& name, const QByteArray& bytes)
{
    const PictureOptions tile { false, { 62, 62 }, true, true };
    CountingSource once(bytes);
    bool readFailed = false;
    const bool raw = IsCameraRaw(once);
    const auto picture = DecodeRaw(once, tile, readFailed);
    QElapsedTimer timer;
    timer.start();
    int runs = 0;
    while (runs < 3 || timer.elapsed() < 1000) {
        CountingSource source(bytes);
        if (IsCameraRaw(source))
            DecodeRaw(source, tile, readFailed);
        ++runs;
    }
    std::printf("%-28s raw %d  %9lld bytes, %8lld read  %6.2f ms  %s %dx%d\n", qPrintable(name),
        raw, static_cast<long long>(bytes.size()), static_cast<long long>(once.bytesRead),
        double(timer.nsecsElapsed()) / 1e6 / runs,
        !picture                ? "refused"
            : picture->embedded ? "preview"
                                : "developed",
        picture ? picture->image.width() : 0, picture ? picture->image.height() : 0);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no window: runs without a display
    QGuiApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    if (files.size() >= 2 && files.first() == QStringLiteral("--write-large")) {
        QFile out(files.at(1));
        if (!out.open(QIODevice::WriteOnly) || out.write(LargeDng()) < 0)
            return 1;
        files = files.mid(2);
    }
    Measure(QStringLiteral("24 MP DNG (in memory)"), LargeDng());
    for (const QString& name : files) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly))
            Measure(name.section('/', -1), file.readAll());
    }
    return 0;
}
