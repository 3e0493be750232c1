#include "hostilegen/jpeg_segments.h"

#include <QBuffer>
#include <QImageWriter>

namespace gb::tools {

std::optional<qsizetype> FindSegment(const QByteArray& jpeg, uchar marker)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<uchar>(jpeg[at]) == 0xff) {
        const uchar type = static_cast<uchar>(jpeg[at + 1]);
        if (type == marker)
            return at;
        if (type == 0xda)
            return std::nullopt;
        at += 2 + ((static_cast<uchar>(jpeg[at + 2]) << 8) | static_cast<uchar>(jpeg[at + 3]));
    }
    return std::nullopt;
}

QList<qsizetype> FindScans(const QByteArray& jpeg)
{
    // Entropy-coded data stuffs a zero after every 0xFF, so 0xFF 0xDA is always a marker.
    QList<qsizetype> scans;
    for (qsizetype at = jpeg.indexOf("\xff\xda"); at >= 0; at = jpeg.indexOf("\xff\xda", at + 2))
        scans.append(at);
    return scans;
}

QByteArray WriteProgressiveJpeg(const QImage& image)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.setProgressiveScanWrite(true);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
        return {};
    return jpeg;
}

} // namespace gb::tools
