#include "formats/webp_decoder.h"

#include "formats/decode_budget.h"
#include "formats/display_colours.h"
#include "formats/reduced_size.h"

#include <QtEndian>
#include <memory>
#include <webp/decode.h>
#include <webp/demux.h>

namespace gb::formats {

namespace {

    // Below this share of the stored size, the loop filter and the smooth chroma upsampling
    // change nothing a scaled-down picture can show, and skipping them saves a fifth of the work.
    constexpr double kPlainDecodeShare = 0.5;

    struct DemuxFree {
        void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
    };

    // The ICC profile of the extended layout's ICCP chunk; empty without one.
    QByteArray IccProfile(const QByteArray& bytes)
    {
        WebPData data { reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()) };
        const std::unique_ptr<WebPDemuxer, DemuxFree> demuxer(WebPDemux(&data));
        if (!demuxer || !(WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG))
            return {};
        WebPChunkIterator chunk;
        if (!WebPDemuxGetChunk(demuxer.get(), "ICCP", 1, &chunk))
            return {};
        QByteArray icc(
            reinterpret_cast<const char*>(chunk.chunk.bytes), qsizetype(chunk.chunk.size));
        WebPDemuxReleaseChunkIterator(&chunk);
        return icc;
    }

} // namespace

std::optional<LoadedPicture> DecodeReducedWebp(
    const QByteArray& bytes, int orientation, const PictureOptions& options)
{
    const auto data = reinterpret_cast<const uint8_t*>(bytes.constData());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)
        || WebPGetFeatures(data, size_t(bytes.size()), &config.input) != VP8_STATUS_OK
        || config.input.has_animation || config.input.width <= 0 || config.input.height <= 0)
        return std::nullopt;
    const QSize stored(config.input.width, config.input.height);
    const QSize upright = orientation >= 5 ? stored.transposed() : stored;
    const QSize reduced = ReducedSize(stored, upright, options.reduceFor);
    if (reduced == stored)
        return std::nullopt; // Qt's reader decodes it whole, as any other
    const auto reservation
        = DecodeBudget::Shared().Reserve(qint64(reduced.width()) * reduced.height() * 4);
    if (!reservation)
        return std::nullopt;
    const bool alpha = config.input.has_alpha;
    QImage image(reduced, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    config.options.use_scaling = 1;
    config.options.scaled_width = reduced.width();
    config.options.scaled_height = reduced.height();
    const bool plain = reduced.width() <= stored.width() * kPlainDecodeShare;
    config.options.bypass_filtering = plain;
    config.options.no_fancy_upsampling = plain;
    // QImage's 32-bit pixels are 0xAARRGGBB words: B, G, R, A in memory on this machine.
    const bool little = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    config.output.colorspace
        = alpha ? (little ? MODE_bgrA : MODE_Argb) : (little ? MODE_BGRA : MODE_ARGB);
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());
    const VP8StatusCode status = WebPDecode(data, size_t(bytes.size()), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return std::nullopt;
    return LoadedPicture { InDisplayColours(std::move(image), IccProfile(bytes)), stored };
}

} // namespace gb::formats
