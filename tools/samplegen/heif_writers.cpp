#include "samplegen/heif_writers.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <random>

namespace gb::tools {

namespace {

    struct ContextFree {
        void operator()(heif_context* context) const { heif_context_free(context); }
    };
    struct EncoderRelease {
        void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
    };
    struct ImageRelease {
        void operator()(heif_image* image) const { heif_image_release(image); }
    };
    struct HandleRelease {
        void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    };

    bool Ok(heif_error error) { return error.code == heif_error_Ok; }

    // libheif's interleaved RGB copy of `picture`.
    std::unique_ptr<heif_image, ImageRelease> ToHeifImage(const QImage& picture)
    {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
        heif_image* raw = nullptr;
        if (!Ok(heif_image_create(
                rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &raw)))
            return nullptr;
        std::unique_ptr<heif_image, ImageRelease> image(raw);
        if (!Ok(heif_image_add_plane(raw, heif_channel_interleaved, rgb.width(), rgb.height(), 8)))
            return nullptr;
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y)
            std::memcpy(
                plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
        return image;
    }

    // A deep YCbCr 4:2:0 copy of `picture` (full range, BT.601), as a camera writes it.
    std::unique_ptr<heif_image, ImageRelease> ToDeepHeifImage(const QImage& picture, int depth)
    {
        const int width = picture.width(), height = picture.height();
        heif_image* raw = nullptr;
        if (!Ok(heif_image_create(width, height, heif_colorspace_YCbCr, heif_chroma_420, &raw)))
            return nullptr;
        std::unique_ptr<heif_image, ImageRelease> image(raw);
        const heif_channel channels[] = { heif_channel_Y, heif_channel_Cb, heif_channel_Cr };
        for (const heif_channel channel : channels) {
            const int shift = channel == heif_channel_Y ? 0 : 1;
            if (!Ok(heif_image_add_plane(
                    raw, channel, (width + shift) >> shift, (height + shift) >> shift, depth)))
                return nullptr;
        }
        for (const heif_channel channel : channels) {
            const int shift = channel == heif_channel_Y ? 0 : 1;
            int stride = 0;
            uint8_t* plane = heif_image_get_plane(raw, channel, &stride);
            for (int y = 0; y < (height + shift) >> shift; ++y) {
                auto* row = reinterpret_cast<quint16*>(plane + qsizetype(y) * stride);
                for (int x = 0; x < (width + shift) >> shift; ++x) {
                    const QRgb c = picture.pixel(x << shift, y << shift);
                    const double luma = 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c);
                    const double value = channel == heif_channel_Y ? luma
                        : channel == heif_channel_Cb               ? 128 + (qBlue(c) - luma) * 0.564
                                                                   : 128 + (qRed(c) - luma) * 0.713;
                    row[x]
                        = quint16(std::clamp(value * (1 << (depth - 8)), 0.0, (1 << depth) - 1.0));
                }
            }
        }
        return image;
    }

    // Makes the first 'ispe' box (the primary image's: libheif writes it before the thumbnail's)
    // say `size`.
    void PatchStoredSize(QByteArray& file, QSize size)
    {
        const qsizetype at = file.indexOf("ispe");
        if (at < 0 || at + 16 > file.size())
            return;
        qToBigEndian(quint32(size.width()), file.data() + at + 8);
        qToBigEndian(quint32(size.height()), file.data() + at + 12);
    }

    struct NclxFree {
        void operator()(heif_color_profile_nclx* codes) const
        {
            heif_nclx_color_profile_free(codes);
        }
    };
    struct OptionsFree {
        void operator()(heif_encoding_options* options) const
        {
            heif_encoding_options_free(options);
        }
    };

    // The colour codes of an 'nclx' box, the pixels coded full range by BT.601's matrix.
    std::unique_ptr<heif_color_profile_nclx, NclxFree> ColourCodes(int primaries, int curve)
    {
        std::unique_ptr<heif_color_profile_nclx, NclxFree> codes(heif_nclx_color_profile_alloc());
        if (!codes || !Ok(heif_nclx_color_profile_set_color_primaries(codes.get(), primaries))
            || !Ok(heif_nclx_color_profile_set_transfer_characteristics(codes.get(), curve))
            || !Ok(heif_nclx_color_profile_set_matrix_coefficients(codes.get(), 6)))
            return nullptr;
        codes->full_range_flag = 1;
        return codes;
    }

    heif_error AppendTo(heif_context*, const void* data, size_t size, void* userdata)
    {
        static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
        return { heif_error_Ok, heif_suberror_Unspecified, "" };
    }

} // namespace

QByteArray WriteHeic(const Heic& heic)
{
    heif_init(nullptr);
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (!Ok(heif_context_get_encoder_for_format(
            context.get(), heic.av1 ? heif_compression_AV1 : heif_compression_HEVC, &rawEncoder)))
        return {};
    const std::unique_ptr<heif_encoder, EncoderRelease> encoder(rawEncoder);
    heif_encoder_set_lossy_quality(rawEncoder, heic.quality);
    // The fastest settings: tests wait on them.
    if (heic.av1)
        heif_encoder_set_parameter(rawEncoder, "speed", "9");
    else
        heif_encoder_set_parameter(rawEncoder, "preset", "ultrafast");
    const auto image = heic.bitDepth > 8 ? ToDeepHeifImage(heic.picture, heic.bitDepth)
                                         : ToHeifImage(heic.picture);
    heif_image_handle* rawHandle = nullptr;
    // libheif writes the image's codes, and only when they are given as options too.
    const auto codes = heic.primaries > 0 ? ColourCodes(heic.primaries, heic.curve) : nullptr;
    if (!image || (heic.primaries > 0 && !codes)
        || (codes && !Ok(heif_image_set_nclx_color_profile(image.get(), codes.get()))))
        return {};
    const std::unique_ptr<heif_encoding_options, OptionsFree> options(
        heif_encoding_options_alloc());
    options->output_nclx_profile = codes.get();
    options->macOS_compatibility_workaround_no_nclx_profile = !codes; // no box at all by default
    if (!Ok(heif_context_encode_image(
            context.get(), image.get(), rawEncoder, options.get(), &rawHandle)))
        return {};
    const std::unique_ptr<heif_image_handle, HandleRelease> primary(rawHandle);
    if (!heic.exif.isEmpty()
        && !Ok(heif_context_add_exif_metadata(
            context.get(), rawHandle, heic.exif.constData(), int(heic.exif.size()))))
        return {};
    heif_image_handle* thumbnail = nullptr;
    if (heic.thumbnailSide > 0
        && !Ok(heif_context_encode_thumbnail(context.get(), image.get(), rawHandle, rawEncoder,
            nullptr, heic.thumbnailSide, &thumbnail)))
        return {};
    heif_image_handle_release(thumbnail);
    QByteArray file;
    heif_writer writer { 1, AppendTo };
    if (!Ok(heif_context_write(context.get(), &writer, &file)))
        return {};
    if (heic.storedSize.isValid())
        PatchStoredSize(file, heic.storedSize);
    return file;
}

QImage Detailed(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    std::minstd_rand noise(7);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int red = x * 191 / size.width(), green = y * 191 / size.height();
            line[x]
                = qRgb(red + int(noise() % 64), green + int(noise() % 64), 96 + int(noise() % 64));
        }
    }
    return picture;
}

} // namespace gb::tools
