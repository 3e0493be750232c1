#include "formats/tiff_decoder.h"

#include "formats/cielab.h"
#include "formats/decode_budget.h"
#include "formats/display_colours.h"
#include "formats/jpeg_decoder.h"
#include "formats/jpeg_exif.h"
#include "formats/picture_log.h"
#include "formats/qt_reader_decode.h" // ToDisplayFormat
#include "formats/reduced_size.h"
#include "formats/tiff_layout.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace gb::formats {

namespace {

    // An Exif thumbnail is a few KB; a larger one is read only up to this.
    constexpr qint64 kMaxJpegThumbnailBytes = qint64(4) << 20;

    // Reads through the source, remembering a failure; past the end reads nothing.
    struct SourceReader {
        ByteSource& source;
        bool& failed;
        QByteArray operator()(qint64 offset, qint64 length) const
        {
            QByteArray bytes;
            if (offset < 0 || length <= 0 || failed)
                return bytes;
            if (!source.Read(offset, length, bytes))
                failed = true;
            return bytes;
        }
    };

    // libtiff's view of the source: reads at a position of its own, never a write.
    struct TiffStream {
        SourceReader read;
        qint64 position = 0;
    };

    tmsize_t ReadStream(thandle_t handle, void* data, tmsize_t size)
    {
        auto& stream = *static_cast<TiffStream*>(handle);
        const QByteArray bytes = stream.read(stream.position, size);
        std::copy(bytes.cbegin(), bytes.cend(), static_cast<char*>(data));
        stream.position += bytes.size();
        return stream.read.failed ? -1 : tmsize_t(bytes.size());
    }

    tmsize_t WriteNothing(thandle_t, void*, tmsize_t) { return -1; }

    toff_t SeekStream(thandle_t handle, toff_t offset, int whence)
    {
        auto& stream = *static_cast<TiffStream*>(handle);
        const qint64 base = whence == SEEK_CUR ? stream.position
            : whence == SEEK_END               ? stream.read.source.Size()
                                               : 0;
        stream.position = base + qint64(offset);
        return toff_t(stream.position);
    }

    int CloseNothing(thandle_t) { return 0; }

    toff_t SizeOfStream(thandle_t handle)
    {
        return toff_t(static_cast<TiffStream*>(handle)->read.source.Size());
    }

    // libtiff's complaints about a damaged file go to the log, not to standard error.
    int LogTiffMessage(TIFF*, void*, const char* module, const char* format, va_list args)
    {
        char message[256];
        std::vsnprintf(message, sizeof message, format, args);
        qCInfo(lcPictures, "libtiff %s: %s", module ? module : "", message);
        return 1;
    }

    struct TiffClose {
        void operator()(TIFF* tiff) const { TIFFClose(tiff); }
    };
    struct OptionsFree {
        void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
    };

    std::unique_ptr<TIFF, TiffClose> OpenTiff(TiffStream& stream)
    {
        const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
        if (!options)
            return nullptr;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxDecodedBytes));
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), LogTiffMessage, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), LogTiffMessage, nullptr);
        // "O": strip and tile offsets are read as they are needed, not all at the open.
        return std::unique_ptr<TIFF, TiffClose>(TIFFClientOpenExt("tiff", "rO", &stream, ReadStream,
            WriteNothing, SeekStream, CloseNothing, SizeOfStream, nullptr, nullptr, options.get()));
    }

    // A picture budgeted as libtiff decodes one, for `width` x `height` pixels.
    std::pair<DecodeBudget::Reservation, QImage> BudgetedImage(
        quint32 width, quint32 height, QImage::Format format)
    {
        const qint64 bytes = qint64(width) * height * 4;
        auto reservation = bytes <= kMaxDecodedBytes ? DecodeBudget::Shared().Reserve(bytes)
                                                     : DecodeBudget::Reservation();
        QImage image = reservation ? QImage(int(width), int(height), format) : QImage();
        return { std::move(reservation), std::move(image) };
    }

    // The image of the directory libtiff stands at, as stored: its own flips for the
    // Orientation tag are left undone, the first picture's orientation is applied afterwards.
    std::optional<QImage> DecodeRgba(TIFF* tiff, const TiffStream& stream)
    {
        char message[1024] = {};
        TIFFRGBAImage rgba {};
        if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&rgba, tiff, 0, message))
            return std::nullopt;
        rgba.req_orientation = rgba.orientation; // rows as stored
        auto [reservation, image]
            = BudgetedImage(rgba.width, rgba.height, QImage::Format_ARGB32_Premultiplied);
        const bool read = !image.isNull()
            && TIFFRGBAImageGet(
                &rgba, reinterpret_cast<uint32_t*>(image.bits()), rgba.width, rgba.height);
        const bool alpha = rgba.alpha != 0;
        TIFFRGBAImageEnd(&rgba);
        if (!read || stream.read.failed)
            return std::nullopt;
        // libtiff packs red in the low byte of each word, Qt blue: swap them back. Without an
        // alpha channel every pixel's alpha is full.
        image.rgbSwap();
        if (!alpha)
            image.reinterpretAsFormat(QImage::Format_RGB32);
        return image;
    }

    // The image whose directory is at `at`, as DecodeRgba gives it.
    std::optional<QImage> DecodeDirectory(TiffStream& stream, qint64 at)
    {
        const auto tiff = OpenTiff(stream);
        if (!tiff || !TIFFSetSubDirectory(tiff.get(), toff_t(at)))
            return std::nullopt;
        return DecodeRgba(tiff.get(), stream);
    }

    // One CIE L*a*b* sample of a row: 8-bit lightness of 0..255 and signed a*, b*, or 16-bit
    // lightness of 0..65535 and a*, b* in 256ths.
    double Sample(const std::vector<uchar>& row, size_t at, int bits, bool isSigned)
    {
        if (bits == 8)
            return isSigned ? double(qint8(row[at])) : row[at] * 100.0 / 255;
        quint16 value = 0;
        std::memcpy(&value, &row[at * 2], 2); // libtiff hands them over in the host's order
        return isSigned ? qint16(value) / 256.0 : value * 100.0 / 65535;
    }

    // The CIELab image of the directory libtiff stands at, in strips, its L*a*b* converted to sRGB
    // against the white its WhitePoint names (D50, as libtiff and Photoshop take it, when it names
    // none), rows as stored; nullopt for tiles, planes or other depths.
    std::optional<QImage> DecodeCieLab(TIFF* tiff, const TiffStream& stream)
    {
        uint16_t bits = 0, samples = 0, planar = 0;
        uint32_t width = 0, height = 0;
        float* white = nullptr;
        if (TIFFIsTiled(tiff) || !TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits)
            || !TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples)
            || !TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar)
            || !TIFFGetFieldDefaulted(tiff, TIFFTAG_WHITEPOINT, &white)
            || !TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width)
            || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) || (bits != 8 && bits != 16)
            || samples < 3 || planar != PLANARCONFIG_CONTIG)
            return std::nullopt;
        auto [reservation, image] = BudgetedImage(width, height, QImage::Format_RGB32);
        const tmsize_t rowBytes = TIFFScanlineSize(tiff);
        if (image.isNull() || rowBytes < tmsize_t(width) * samples * bits / 8
            || rowBytes > kMaxDecodedBytes)
            return std::nullopt;
        const CieLabToSrgb convert(QPointF(white[0], white[1]));
        std::vector<uchar> row(static_cast<size_t>(rowBytes));
        for (uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tiff, row.data(), y, 0) < 0 || stream.read.failed)
                return std::nullopt;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            for (uint32_t x = 0; x < width; ++x) {
                const size_t at = size_t(x) * samples;
                out[x] = convert.Convert(Sample(row, at, bits, false),
                    Sample(row, at + 1, bits, true), Sample(row, at + 2, bits, true));
            }
        }
        return image;
    }

    // A JPEG thumbnail's bytes from `offset` on, as far as its directory says it goes.
    ReadBytes ThumbnailBytes(const SourceReader& read, const TiffReducedImage& jpeg)
    {
        const qint64 end = std::min(jpeg.jpegBytes, kMaxJpegThumbnailBytes);
        return [read, &jpeg, end](qint64 offset, qint64 length) {
            if (offset < 0 || offset >= end)
                return QByteArray();
            return read(jpeg.jpegAt + offset, std::min(length, end - offset));
        };
    }

    std::optional<QImage> DecodeJpegThumbnail(
        const SourceReader& read, const TiffReducedImage& jpeg)
    {
        QByteArray bytes = ThumbnailBytes(read, jpeg)(0, jpeg.jpegBytes);
        // One cut short would still decode, grey below the cut: its end marker must be there.
        while (bytes.endsWith('\0'))
            bytes.chop(1);
        if (!bytes.endsWith(QByteArrayView("\xff\xd9", 2)))
            return std::nullopt;
        JpegRequest request;
        request.upright = false; // the picture's orientation is applied below
        auto picture = DecodeJpeg(bytes, request);
        if (!picture)
            return std::nullopt;
        return std::move(picture->image);
    }

    // The stored size of a smaller copy: a JPEG thumbnail's own frame header has the last word.
    QSize StoredSize(const SourceReader& read, const TiffReducedImage& image)
    {
        if (image.jpegBytes == 0)
            return image.size;
        const auto exif = ReadJpegExif(ThumbnailBytes(read, image));
        return exif ? exif->frameSize : QSize();
    }

    // The smallest copy at least twice the tile and of the picture's shape, as HEIF's stored
    // thumbnails are chosen; null for none.
    const TiffReducedImage* ChooseReduced(
        const TiffLayout& layout, const SourceReader& read, QSize box)
    {
        const bool turned = layout.orientation >= 5;
        const QSize upright = turned ? layout.size.transposed() : layout.size;
        const TiffReducedImage* best = nullptr;
        int bestWidth = 0;
        for (const TiffReducedImage& image : layout.reduced) {
            const QSize stored = StoredSize(read, image);
            if (CoversTwiceTheTile(turned ? stored.transposed() : stored, upright, box)
                && (!best || stored.width() < bestWidth)) {
                best = &image;
                bestWidth = stored.width();
            }
        }
        return best;
    }

} // namespace

std::optional<LoadedPicture> DecodeTiffThumbnail(
    ByteSource& source, const PictureOptions& options, bool& readFailed)
{
    if (!options.embeddedThumbnail || !options.reduceFor.isValid() || options.reduceFor.isEmpty())
        return std::nullopt;
    const SourceReader read { source, readFailed };
    const auto layout = ReadTiffLayout(read);
    const TiffReducedImage* chosen
        = layout && !readFailed ? ChooseReduced(*layout, read, options.reduceFor) : nullptr;
    if (!chosen || readFailed)
        return std::nullopt;
    TiffStream stream { read };
    auto image = chosen->jpegBytes != 0 ? DecodeJpegThumbnail(read, *chosen)
                                        : DecodeDirectory(stream, chosen->directoryAt);
    if (!image || readFailed)
        return std::nullopt;
    const bool turned = layout->orientation >= 5;
    const QByteArray icc = read(layout->iccAt, layout->iccBytes);
    if (readFailed)
        return std::nullopt;
    image = ToDisplayFormat(InDisplayColours(std::move(*image), icc));
    LoadedPicture picture { Upright(std::move(*image), layout->orientation),
        turned ? layout->size.transposed() : layout->size };
    picture.embedded = true;
    return picture;
}

std::optional<LoadedPicture> DecodeTiffFile(const QByteArray& bytes, const PictureOptions& options)
{
    MemoryByteSource source(bytes);
    bool failed = false;
    TiffStream stream { SourceReader { source, failed } };
    const auto tiff = OpenTiff(stream);
    uint16_t photometric = 0, planar = 0, orientation = 0;
    if (!tiff || !TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric)
        || !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar)
        || !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation))
        return DecodeBytesWithQtReader(bytes, "tiff", options);
    const bool lab = photometric == PHOTOMETRIC_CIELAB;
    const bool planes = planar == PLANARCONFIG_SEPARATE;
    if (!lab && !planes)
        return DecodeBytesWithQtReader(bytes, "tiff", options);
    uint32_t iccBytes = 0;
    const void* iccData = nullptr;
    // CIELab is no device's colours: a profile it carries has nothing to add.
    const QByteArray icc = !lab && TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &iccBytes, &iccData)
        ? QByteArray(static_cast<const char*>(iccData), qsizetype(iccBytes))
        : QByteArray();
    std::optional<QImage> image = lab ? DecodeCieLab(tiff.get(), stream) : std::nullopt;
    if (!image && planes)
        image = DecodeRgba(tiff.get(), stream);
    // Only planes are beyond Qt's reader: it shows them scrambled.
    if (!image)
        return planes ? std::nullopt : DecodeBytesWithQtReader(bytes, "tiff", options);
    QImage shown = Upright(ToDisplayFormat(InDisplayColours(std::move(*image), icc)),
        orientation >= 1 && orientation <= 8 ? orientation : 1);
    const QSize natural = shown.size();
    if (!options.reduceFor.isEmpty()) {
        const QSize twice = 2 * natural.scaled(options.reduceFor, Qt::KeepAspectRatio);
        if (shown.width() > twice.width() && shown.height() > twice.height())
            shown = shown.scaled(twice, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return LoadedPicture { std::move(shown), natural };
}

} // namespace gb::formats
