// What a tile reads of a camera's files, for measuring on a share (bench/share-bytes.sh mounts one
// through slowfs and reads its byte counters): --write DIR writes a 12-megapixel camera JPEG
// whose Exif thumbnail shows it, one whose thumbnail shows another picture, and a DNG whose
// 1620 x 1080 preview is a photograph's size; then each FILE is loaded once as a 62 x 62 tile
// that may be the embedded thumbnail, and how long that took is printed. Not a test: nothing here
// asserts, it only measures.
// Usage: glimmerbox_share_bytes [--write DIR] [FILE...]
#include "platform/file_picture_loader.h"
#include "samplegen/image_writers.h"
#include "samplegen/raw_writers.h"
#include "writers/exif_writer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace {

QByteArray CameraJpeg(const QImage& picture, const QImage& shown)
{
    const QByteArray main = gb::tools::WriteJpeg(picture, 90);
    gb::tools::CameraExif exif;
    exif.recorded = picture.size();
    exif.thumbnail = gb::tools::WriteJpeg(
        shown.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 80);
    return main.left(2) + gb::tools::WriteExifSegment(exif) + main.mid(2);
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

bool WriteSamples(const QString& dir)
{
    const QImage picture = gb::tools::Grainy({ 4000, 3000 }, qRgb(150, 110, 60));
    const QImage other = gb::tools::Grainy({ 4000, 3000 }, qRgb(50, 90, 160));
    const QByteArray dng = gb::tools::WriteCameraRaw({ gb::tools::RawKind::Dng,
        gb::tools::Grainy({ 1620, 1080 }, qRgb(80, 130, 70)), { 3000, 2000 }, 1 });
    return Write(dir + "/camera.jpg", CameraJpeg(picture, picture))
        && Write(dir + "/camera-other-thumbnail.jpg", CameraJpeg(picture, other))
        && Write(dir + "/camera.dng", dng);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no window: runs without a display
    QGuiApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    if (files.size() >= 2 && files.first() == QStringLiteral("--write")) {
        if (!WriteSamples(files.at(1)))
            return 1;
        files = files.mid(2);
    }
    for (const QString& name : files) {
        QElapsedTimer timer;
        timer.start();
        gb::platform::LoadFailure failure {};
        const auto tile = gb::platform::FilePictureLoader().LoadPicture(
            name, { false, { 62, 62 }, true, true }, &failure);
        std::printf("%-40s %8.1f ms  %s\n", qPrintable(name.section('/', -1)),
            double(timer.nsecsElapsed()) / 1e6,
            !tile                ? "failed"
                : tile->embedded ? "embedded"
                                 : "decoded");
    }
    return 0;
}
