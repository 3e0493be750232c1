#include "main_window_harness.h"

#include "samplegen/image_writers.h"

namespace gb::test {

void WritePicture(const TempFolder& folder, const QString& name, QSize size)
{
    const QImage image = Gradient(size.width(), size.height());
    const QString lower = name.toLower();
    QByteArray bytes;
    if (lower.endsWith(".gif"))
        bytes = tools::WriteGif(image);
    else if (lower.endsWith(".jpg"))
        bytes = tools::WriteJpeg(image, 90);
    else if (lower.endsWith(".ico"))
        bytes = tools::WriteIco({ { image.scaled(32, 32) } });
    else
        bytes = tools::WriteBmp(image);
    folder.Write(name, bytes);
}

} // namespace gb::test
