#include "formats/qt_reader_decode.h"

#include "core/thumbnail_drawing.h"
#include "formats/decode_budget.h"
#include "formats/display_colours.h"
#include "formats/jpeg_decoder.h"
#include "formats/reduced_size.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace gb::formats {

namespace {

    // A byte source as Qt's readers want it. Unbuffered, so every read and seek comes here and
    // the position is always the one asked for.
    class SourceDevice : public QIODevice {
    public:
        explicit SourceDevice(ByteSource& source)
            : source_(source)
        {
            open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        }
        bool isSequential() const override { return false; }
        qint64 size() const override { return source_.Size(); }
        bool seek(qint64 pos) override
        {
            offset_ = pos;
            return QIODevice::seek(pos);
        }
        bool ReadFailed() const { return readFailed_; }

    protected:
        qint64 readData(char* data, qint64 maxSize) override
        {
            QByteArray bytes;
            if (readFailed_ || !source_.Read(offset_, maxSize, bytes)) {
                readFailed_ = true;
                return -1;
            }
            std::copy(bytes.cbegin(), bytes.cend(), data);
            offset_ += bytes.size();
            return bytes.size();
        }
        qint64 writeData(const char*, qint64) override { return -1; }

    private:
        ByteSource& source_;
        qint64 offset_ = 0;
        bool readFailed_ = false;
    };

    // A picture wanted only for a thumbnail is shrunk while its pixels are still reserved, so a
    // large one is not held whole after its decode: to twice the box, as a reduced decode, but
    // never below what the largest thumbnail a cache keeps (1024 x 1024) needs.
    constexpr int kLargestThumbnailSide = 1024;

    // What a decode peaks at per pixel: the 32 bits shown, and the reader's own format beside
    // them unless that is converted in place (as deeper ones are). Measured: 8-bit RGB and RGBA
    // 4 bytes, grey and palette 5, 16 bits a channel 8.
    qint64 PeakBytesPerPixel(QImage::Format read)
    {
        const qint64 readBytes = (QImage::toPixelFormat(read).bitsPerPixel() + 7) / 8;
        return read == QImage::Format_Invalid ? 4 : readBytes >= 4 ? readBytes : readBytes + 4;
    }

    QImage ShrunkForThumbnail(QImage image, QSize box)
    {
        if (!box.isValid() || box.isEmpty())
            return image;
        const QSize size = image.size();
        const QSize target = ReducedSize(size, size, box)
                                 .expandedTo(size.scaled(kLargestThumbnailSide,
                                     kLargestThumbnailSide, Qt::KeepAspectRatio));
        if (target.width() >= size.width() || target.height() >= size.height())
            return image;
        return core::AreaAverageScale(image, target);
    }

    // The size to ask a JPEG reader for when only a picture fitting the box is needed.
    QSize ScaledJpegSize(QSize stored, QSize upright, QSize box)
    {
        const int factor = JpegReduction(upright, box);
        if (factor <= 1)
            return QSize();
        return QSize(
            (stored.width() + factor - 1) / factor, (stored.height() + factor - 1) / factor);
    }

} // namespace

QImage ToDisplayFormat(QImage image)
{
    image.convertTo(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return image;
}

bool HasQtReader(const char* reader)
{
    static const QList<QByteArray> kReaders = QImageReader::supportedImageFormats();
    return kReaders.contains(reader);
}

std::optional<LoadedPicture> DecodeWithQtReader(
    QIODevice& device, const char* reader, const PictureOptions& options)
{
    static const bool limitSet = [] { // process-wide in Qt: set once, before any decode
        QImageReader::setAllocationLimit(int(kMaxDecodedBytes >> 20)); // in megabytes
        return true;
    }();
    Q_UNUSED(limitSet);
    QImageReader qtReader(&device, reader);
    qtReader.setAutoTransform(true);
    // The stored size: for JPEG that is before the Exif rotation, as is the scaled size.
    const QSize stored = qtReader.size();
    if (stored.isEmpty() || qint64(stored.width()) * stored.height() * 4 > kMaxDecodedBytes)
        return std::nullopt;
    const bool turned = qtReader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize upright = turned ? stored.transposed() : stored;
    if (qstrcmp(reader, "jpeg") == 0 && options.reduceFor.isValid() && !options.reduceFor.isEmpty())
        qtReader.setScaledSize(ScaledJpegSize(stored, upright, options.reduceFor));
    const bool scaled = qtReader.scaledSize().isValid();
    const QSize decoded = scaled ? qtReader.scaledSize() : stored;
    const qint64 peak = qint64(decoded.width()) * decoded.height()
        * PeakBytesPerPixel(scaled ? QImage::Format_Invalid : qtReader.imageFormat());
    const auto reservation = DecodeBudget::Shared().ReservePeak(peak);
    if (!reservation)
        return std::nullopt;
    QImage image = qtReader.read();
    if (image.isNull())
        return std::nullopt;
    image = ToDisplayFormat(InDisplayColours(std::move(image)));
    return LoadedPicture { ShrunkForThumbnail(std::move(image), options.reduceFor), upright };
}

std::optional<LoadedPicture> DecodeBytesWithQtReader(
    const QByteArray& bytes, const char* reader, const PictureOptions& options)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    return DecodeWithQtReader(buffer, reader, options);
}

std::optional<LoadedPicture> DecodeStreamWithQtReader(
    ByteSource& source, const char* reader, const PictureOptions& options, bool& readFailed)
{
    SourceDevice device(source);
    auto picture = DecodeWithQtReader(device, reader, options);
    readFailed = device.ReadFailed();
    return readFailed ? std::nullopt : picture;
}

} // namespace gb::formats
