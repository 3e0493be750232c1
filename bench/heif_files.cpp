// Writes the HEIC and AVIF pictures bench/heif-memory.sh loads: glimmerbox_heif_files DIR SIDE
// writes SIDE x SIDE pictures as hevc-8.heic, hevc-12.heic, av1-8.avif and av1-12.avif, and
// lying.avif, the 8-bit AVIF whose stored size ('ispe') says 64 x 64. Deep pictures are of 12
// bits, as libheif 1.15 cannot have aom write 10: libheif and the decoders hold 10 and 12 bits
// alike, in 16.
#include "samplegen/heif_writers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int side = argc == 3 ? QByteArray(argv[2]).toInt() : 0;
    if (side <= 0) {
        std::fprintf(stderr, "usage: glimmerbox_heif_files DIR SIDE\n");
        return 2;
    }
    const QDir out(QFile::decodeName(argv[1]));
    const QImage picture = gb::tools::Detailed({ side, side });
    using gb::tools::Heic;
    const struct {
        const char* name;
        Heic heic;
    } files[] = {
        { "hevc-8.heic", { .picture = picture, .quality = 30 } },
        { "hevc-12.heic", { .picture = picture, .quality = 30, .bitDepth = 12 } },
        { "av1-8.avif", { .picture = picture, .quality = 30, .av1 = true } },
        { "av1-12.avif", { .picture = picture, .quality = 30, .av1 = true, .bitDepth = 12 } },
        { "lying.avif",
            { .picture = picture, .quality = 30, .av1 = true, .storedSize = { 64, 64 } } },
    };
    for (const auto& file : files) {
        const QByteArray bytes = gb::tools::WriteHeic(file.heic);
        QFile written(out.filePath(QString::fromUtf8(file.name)));
        if (bytes.isEmpty() || !written.open(QIODevice::WriteOnly)
            || written.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", file.name);
            return 1;
        }
    }
    return 0;
}
