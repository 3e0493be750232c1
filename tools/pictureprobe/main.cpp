// Loads one picture file four ways (plain, thumbnail, thumbnail that may be the embedded one,
// large icon), prints "<mode> ok <image w>x<h> <natural w>x<h> <pixel digest>" or "<mode> fail
// <unreadable|not-a-picture|out-of-memory>" per load, then
// "peak <KB>": run once per file, each file's peak memory is its own and a hang can be killed.
// Given several files it loads each in turn, so a slow start (under valgrind) is paid once.
// With --every-type first, every load asks for every picture type (PNG, WebP, TIFF, HEIC, AVIF).
#include "platform/file_picture_loader.h"
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <sys/resource.h>

namespace {

// FNV-1a over every pixel: printing it makes valgrind report any pixel left unwritten, and two
// runs over the same file must print the same digest.
quint32 PixelDigest(const QImage& image)
{
    quint32 digest = 2166136261u;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (qsizetype i = 0; i < qsizetype(image.width()) * image.depth() / 8; ++i)
            digest = (digest ^ row[i]) * 16777619u;
    }
    return digest;
}

const char* FailureName(gb::platform::LoadFailure failure)
{
    using gb::platform::LoadFailure;
    if (failure == LoadFailure::Unreadable)
        return "unreadable";
    return failure == LoadFailure::OutOfMemory ? "out-of-memory" : "not-a-picture";
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // metafile text needs fonts, so a platform
    QGuiApplication app(argc, argv);
    const bool everyType = argc > 1 && qstrcmp(argv[1], "--every-type") == 0;
    const int first = everyType ? 2 : 1;
    if (argc <= first)
        return 2;
    const std::pair<const char*, gb::platform::PictureOptions> modes[]
        = { { "plain", { false, {}, false, everyType } },
              { "thumbnail", { false, { 62, 62 }, false, everyType } },
              { "embedded", { false, { 62, 62 }, true, everyType } },
              { "icon", { true, {}, false, everyType } } };
    for (int file = first; file < argc; ++file) {
        if (argc > first + 1) { // tells whose loading any output and diagnostics that follow are
            std::printf("probing %s\n", argv[file]);
            std::fprintf(stderr, "probing %s\n", argv[file]);
        }
        for (const auto& [name, options] : modes) {
            gb::platform::LoadFailure failure = gb::platform::LoadFailure::None;
            const auto p = gb::platform::FilePictureLoader().LoadPicture(
                QFile::decodeName(argv[file]), options, &failure);
            if (p)
                std::printf("%s ok %dx%d %dx%d %08x\n", name, p->image.width(), p->image.height(),
                    p->naturalSize.width(), p->naturalSize.height(), PixelDigest(p->image));
            else
                std::printf("%s fail %s\n", name, FailureName(failure));
            std::fflush(stdout);
        }
    }
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak %ld\n", usage.ru_maxrss);
}
