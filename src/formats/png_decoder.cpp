#include "formats/png_decoder.h"

#include "formats/byte_view.h"
#include "formats/decode_budget.h"
#include "formats/display_colours.h"
#include "formats/picture_log.h"

#include <QSysInfo>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <png.h>
#include <vector>

namespace gb::formats {

namespace {

    const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);
    constexpr qint64 kChunkFrame = 12; // length, type, then the data, then a CRC
    // IHDR comes first: its bit depth and colour type sit at these offsets of the file.
    constexpr qint64 kBitDepthAt = 24, kColourTypeAt = 25;
    constexpr quint8 kTrueColour = 2;
    // No profile or text of a picture we show comes near this; libpng refuses a larger chunk
    // before it allocates it, and keeps at most this many unknown or text chunks.
    constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(8) << 20;
    constexpr png_uint_32 kMaxCachedChunks = 256;

    struct Input {
        const QByteArray& bytes;
        qsizetype at = 0;
    };

    void ReadInput(png_structp png, png_bytep out, size_t length)
    {
        auto* input = static_cast<Input*>(png_get_io_ptr(png));
        if (qsizetype(length) > input->bytes.size() - input->at)
            png_error(png, "the file ends early");
        std::memcpy(out, input->bytes.constData() + input->at, length);
        input->at += qsizetype(length);
    }

    // libpng leaves its functions by longjmp: only plain values may live in the frames it
    // leaves, so each call that may fail has a small frame of its own.
    [[noreturn]] void OnError(png_structp png, png_const_charp message)
    {
        qCInfo(lcPictures, "libpng: %s", message);
        png_longjmp(png, 1);
    }

    void OnWarning(png_structp, png_const_charp) { }

    // Reads the header and asks for 8-bit BGRA (ARGB32 in memory) whatever the file stores.
    bool ReadHeader(png_structp png, png_infop info)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_read_info(png, info);
        png_set_expand(png); // a palette to RGB, a transparent colour to alpha
        png_set_gray_to_rgb(png);
        png_set_scale_16(png);
        png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            png_set_bgr(png);
        else
            png_set_swap_alpha(png);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        return true;
    }

    bool ReadRows(png_structp png, png_bytepp rows)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_read_image(png, rows);
        return true;
    }

    QByteArray IccProfile(png_structp png, png_infop info)
    {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(png, info, &name, &compression, &profile, &length) != PNG_INFO_iCCP)
            return {};
        return QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
    }

    struct ReadStruct {
        png_structp png = nullptr;
        png_infop info = nullptr;
        ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
    };

} // namespace

PngRoute ChoosePngRoute(const QByteArray& png)
{
    const ByteView file(png, ByteOrder::BigEndian);
    if (!png.startsWith(kSignature))
        return PngRoute::Refused;
    bool transparentColour = false;
    for (qint64 at = kSignature.size(); at < file.Size();) {
        const quint32 length = file.U32(at);
        if (!file.Fits(at, kChunkFrame) || !file.Fits(at, kChunkFrame + length))
            return PngRoute::Refused;
        const QByteArrayView type(file.Data() + at + 4, 4);
        if (type == "IEND")
            break;
        transparentColour = transparentColour || type == "tRNS";
        at += kChunkFrame + length;
    }
    const bool deepTrueColour = file.U8(kBitDepthAt) == 16 && file.U8(kColourTypeAt) == kTrueColour;
    return deepTrueColour && transparentColour ? PngRoute::Libpng : PngRoute::QtReader;
}

std::optional<QImage> DecodePngWithLibpng(const QByteArray& bytes)
{
    ReadStruct read;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    read.info = read.png ? png_create_info_struct(read.png) : nullptr;
    if (!read.info)
        return std::nullopt;
    png_set_chunk_malloc_max(read.png, kMaxChunkBytes);
    png_set_chunk_cache_max(read.png, kMaxCachedChunks);
    Input input { bytes };
    png_set_read_fn(read.png, &input, ReadInput);
    if (!ReadHeader(read.png, read.info))
        return std::nullopt;
    const qint64 width = png_get_image_width(read.png, read.info);
    const qint64 height = png_get_image_height(read.png, read.info);
    auto& budget = DecodeBudget::Shared();
    if (width <= 0 || height <= 0 || width > budget.Total() / 4 / height
        || png_get_rowbytes(read.png, read.info) != size_t(width) * 4)
        return std::nullopt;
    const auto reservation = budget.Reserve(width * height * 4);
    QImage image(int(width), int(height), QImage::Format_ARGB32);
    if (!reservation || image.isNull())
        return std::nullopt;
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = image.scanLine(y);
    if (!ReadRows(read.png, rows.data()))
        return std::nullopt;
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return InDisplayColours(std::move(image), IccProfile(read.png, read.info));
}

} // namespace gb::formats
