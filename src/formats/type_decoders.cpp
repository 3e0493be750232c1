#include "formats/type_decoders.h"

#include "formats/byte_view.h"
#include "formats/decode_budget.h"
#include "formats/dib_header.h"
#include "formats/dib_reader.h"
#include "formats/exif_orientation.h"
#include "formats/icon_bitmap.h"
#include "formats/icon_directory.h"
#include "formats/jpeg_decoder.h"
#include "formats/png_decoder.h"
#include "formats/qt_reader_decode.h"
#include "formats/webp_decoder.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace gb::formats {

namespace {

    const QSize kLargeIconSize(32, 32);
    constexpr qsizetype kFileHeaderSize = 14; // "BM", file size, reserved, pixel offset

    // Reserves what a bitmap with this header decodes to; empty when the header is unreadable
    // or the bitmap could never fit.
    DecodeBudget::Reservation ReserveBitmap(const ByteView& header)
    {
        auto& budget = DecodeBudget::Shared();
        const auto dib = DibHeader::Read(header);
        const qint64 width = dib ? dib->width : 0, height = dib ? qAbs(dib->height) : 0;
        if (width <= 0 || height <= 0 || width > budget.Total() / 4 / height)
            return {};
        return budget.Reserve(width * height * 4);
    }

    std::optional<LoadedPicture> ShownBitmap(std::optional<QImage> image)
    {
        if (!image)
            return std::nullopt;
        const QSize size = image->size();
        return LoadedPicture { ToDisplayFormat(std::move(*image)), size };
    }

    std::optional<LoadedPicture> DecodeTurnedByExif(
        const QByteArray& bytes, const char* reader, const PictureOptions& options)
    {
        auto picture = DecodeBytesWithQtReader(bytes, reader, options);
        if (!picture)
            return std::nullopt;
        return TurnedUpright(std::move(*picture), EmbeddedOrientation(bytes));
    }

    // A PNG that Qt's reader would show garbled, decoded by libpng instead.
    std::optional<LoadedPicture> DecodedByLibpng(const QByteArray& png)
    {
        return ShownBitmap(DecodePngWithLibpng(png));
    }

    // An icon's PNG image, given to Qt's PNG reader alone: its icon reader refuses a file whose
    // directory gives a bit count above 32, which means nothing for a PNG image.
    std::optional<LoadedPicture> DecodeIconPng(QByteArray png)
    {
        const PngRoute route = ChoosePngRoute(png);
        if (route != PngRoute::QtReader)
            return route == PngRoute::Libpng ? DecodedByLibpng(png) : std::nullopt;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::ReadOnly))
            return std::nullopt;
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (size.isEmpty()
            || qint64(size.width()) * size.height() * 4 > DecodeBudget::Shared().Total())
            return std::nullopt;
        const auto reservation
            = DecodeBudget::Shared().Reserve(qint64(size.width()) * size.height() * 4);
        QImage image = reservation ? reader.read() : QImage();
        return image.isNull() ? std::nullopt : ShownBitmap(std::move(image));
    }

} // namespace

std::optional<LoadedPicture> DecodeBitmapFile(const QByteArray& bytes, const PictureOptions&)
{
    const ByteView view(bytes);
    const auto reservation
        = ReserveBitmap(view.Part(kFileHeaderSize, view.Size() - kFileHeaderSize));
    return reservation ? ShownBitmap(DecodeBmpFile(view)) : std::nullopt;
}

std::optional<LoadedPicture> DecodeHeaderlessDib(const QByteArray& bytes, const PictureOptions&)
{
    const ByteView view(bytes);
    const auto reservation = ReserveBitmap(view);
    return reservation ? ShownBitmap(DecodePackedDib(view)) : std::nullopt;
}

// The images of icons and cursors are ours to pick and decode: Qt refuses those whose directory
// disagrees with their bitmap. PNG images are still decoded by Qt.
std::optional<LoadedPicture> DecodeIconFile(const QByteArray& bytes, const PictureOptions& options)
{
    const auto entries = ReadIconDirectory(bytes);
    const auto index
        = options.largeIcon ? ChooseIconEntry(bytes, kLargeIconSize) : std::optional(0);
    if (!entries || !index)
        return std::nullopt;
    const auto entry = std::find_if(entries->begin(), entries->end(),
        [&index](const IconDirectoryEntry& e) { return e.index == *index; });
    if (entry == entries->end())
        return std::nullopt;
    // The bitmap may run past the byte count the directory gives: its header says how far.
    const ByteView file(bytes);
    const ByteView payload = file.Part(entry->offset, file.Size() - entry->offset);
    if (bytes.mid(entry->offset, 4) == "\x89PNG")
        return DecodeIconPng(bytes.mid(entry->offset, entry->bytes));
    const auto reservation = ReserveBitmap(payload);
    return reservation ? ShownBitmap(DecodeIconBitmap(payload)) : std::nullopt;
}

std::optional<LoadedPicture> DecodePngFile(const QByteArray& bytes, const PictureOptions& options)
{
    const PngRoute route = ChoosePngRoute(bytes);
    if (route == PngRoute::QtReader)
        return DecodeTurnedByExif(bytes, "png", options);
    auto picture = route == PngRoute::Libpng ? DecodedByLibpng(bytes) : std::nullopt;
    if (!picture)
        return std::nullopt;
    return TurnedUpright(std::move(*picture), EmbeddedOrientation(bytes));
}

// A tile's WebP is scaled by libwebp while it decodes; a whole picture, or an animation, is Qt's.
std::optional<LoadedPicture> DecodeWebpFile(const QByteArray& bytes, const PictureOptions& options)
{
    const int orientation = EmbeddedOrientation(bytes);
    if (auto reduced = DecodeReducedWebp(bytes, orientation, options))
        return TurnedUpright(std::move(*reduced), orientation);
    return DecodeTurnedByExif(bytes, "webp", options);
}

std::optional<LoadedPicture> DecodeJpegFile(const QByteArray& bytes, const PictureOptions& options)
{
    JpegRequest request;
    request.reduceFor = options.reduceFor;
    return DecodeJpeg(bytes, request);
}

} // namespace gb::formats
