#include "formats/heif_decoder.h"

#include "formats/byte_view.h"
#include "formats/decode_budget.h"
#include "formats/display_colours.h"
#include "formats/heif_canvas.h"
#include "formats/heif_colours.h"
#include "formats/heif_source_reader.h"
#include "formats/jpeg_exif.h"

#include <algorithm>
#include <array>
#include <libheif/heif.h>
#include <memory>
#include <new>
#include <vector>

namespace gb::formats {

namespace {

    // A decoded picture of more than this is refused before decoding, as by the other decoders.
    // libheif's own limit on either side, checked while it reads the file's boxes.
    constexpr int kMaxSide = 1 << 15;
    // The brands of HEIF and AVIF still images, image collections and sequences.
    constexpr std::array<QByteArrayView, 9> kBrands { "heic", "heix", "hevc", "heim", "heis",
        "mif1", "msf1", "avif", "avis" };
    // ftyp: box size, "ftyp", major brand, minor version, then compatible brands.
    constexpr qint64 kFtypHeader = 16;
    // A file up to this size is read at once when its primary image is decoded, as other types'
    // files are read whole.
    constexpr qint64 kMaxWholeReadBytes = qint64(64) << 20;
    // What one decode takes at its peak, per pixel of the frame decoded: the codec's frame and
    // buffers, libheif's copy and colour conversion of it, our copy. Measured as the peak resident
    // size of glimmerbox_picture_probe decoding 2000 x 2000 and 4000 x 4000 pictures written by
    // glimmerbox_heif_files, less its peak on 64 x 64 ones, over the pixels (bench/heif-memory.sh
    // prints the first), with libheif 1.15.1, libde265 1.0.11 and dav1d 1.0.0 as Debian 12 has
    // them; the larger figure, rounded up. HEVC 8 bits: 8.7 and 8.1; 12 bits: 12.9 and 12.8. AV1 8
    // bits: 16.2 and 13.2; 12 bits: 33.7 and 13.8, and 27 for a 20.6-megapixel 10-bit photo: dav1d
    // touches more of its buffers the more detail there is. Deep pictures hold 10 bits as 12, in
    // 16.
    constexpr qint64 kHevcBytesPerPixel = 9;
    constexpr qint64 kHevcDeepBytesPerPixel = 13; // 10 bits and more
    constexpr qint64 kAv1BytesPerPixel = 17;
    constexpr qint64 kAv1DeepBytesPerPixel = 34;
    // The most stored thumbnails of a picture looked at: a phone writes one or two.
    constexpr int kMaxThumbnails = 8;

    struct ContextFree {
        void operator()(heif_context* context) const { heif_context_free(context); }
    };
    struct HandleRelease {
        void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    };
    struct ImageRelease {
        void operator()(heif_image* image) const { heif_image_release(image); }
    };
    struct OptionsFree {
        void operator()(heif_decoding_options* options) const
        {
            heif_decoding_options_free(options);
        }
    };
    using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

    bool IsBrand(const ByteView& view, qint64 at)
    {
        if (!view.Fits(at, 4))
            return false;
        const QByteArrayView brand(view.Data() + at, 4);
        return std::find(kBrands.begin(), kBrands.end(), brand) != kBrands.end();
    }

    // Loads the codec plugins once for the whole program; they stay until it ends.
    void StartLibheif()
    {
        static const bool started = [] { return heif_init(nullptr).code == heif_error_Ok; }();
        Q_UNUSED(started);
    }

    // The primary image's embedded ICC profile; empty when it has none (or only colour codes).
    QByteArray IccProfile(const heif_image_handle* handle)
    {
        const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
        if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
            return QByteArray();
        QByteArray profile(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), '\0');
        if (profile.isEmpty()
            || heif_image_handle_get_raw_color_profile(handle, profile.data()).code
                != heif_error_Ok)
            return QByteArray();
        return profile;
    }

    // The TIFF structure of the primary image's Exif item, read from its small extent alone; empty
    // when it has none. The item starts with the offset of that structure past its first 4 bytes.
    // libheif's own copy of the item was read while the file was opened, and got zeros then.
    QByteArray ExifBlock(ByteSource& file, const heif_image_handle* handle)
    {
        constexpr size_t kMaxExifBytes = 256 * 1024;
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1)
            return {};
        const size_t size = heif_image_handle_get_metadata_size(handle, id);
        if (size < 4 || size > kMaxExifBytes)
            return {};
        const QByteArray item = HeifItemHead(file, id, qint64(size));
        if (item.size() < 4)
            return {};
        const qint64 start = 4 + qint64(ByteView(item, ByteOrder::BigEndian).U32(0));
        return start < item.size() ? item.mid(start) : QByteArray();
    }

    QSize SizeOf(const heif_image_handle* handle)
    {
        return QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    }

    // The smallest stored thumbnail of the primary image's shape and transformations that is still
    // twice the size the picture gets when fitted into `box`, as a reduced JPEG is; empty when none
    // is. One cropped, turned or mirrored otherwise than the picture shows another picture, framed
    // otherwise, even when it has the picture's shape.
    struct Thumbnail {
        Handle handle;
        heif_item_id id = 0;
    };
    Thumbnail ChooseThumbnail(ByteSource& file, heif_image_handle* primary, QSize upright,
        QSize box, const QByteArray& transforms)
    {
        const QSize fitted = upright.scaled(box, Qt::KeepAspectRatio);
        // Each candidate's boxes are read again: a file may hold thousands of items.
        const int count
            = std::clamp(heif_image_handle_get_number_of_thumbnails(primary), 0, kMaxThumbnails);
        std::vector<heif_item_id> ids(count);
        ids.resize(
            std::max(0, heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count)));
        Thumbnail best;
        for (const heif_item_id id : ids) {
            heif_image_handle* raw = nullptr;
            if (heif_image_handle_get_thumbnail(primary, id, &raw).code != heif_error_Ok)
                continue;
            Handle thumbnail(raw);
            const QSize size = SizeOf(raw);
            // Within two pixels of the picture's shape (encoders round a thumbnail's sides, often
            // to even numbers): one left unturned, or of another crop, is no stand-in.
            const qint64 skew
                = qint64(size.width()) * upright.height() - qint64(size.height()) * upright.width();
            const bool large
                = size.width() >= 2 * fitted.width() && size.height() >= 2 * fitted.height();
            if (large && qAbs(skew) <= 2 * qint64(std::max(upright.width(), upright.height()))
                && (!best.handle || size.width() < SizeOf(best.handle.get()).width())
                && HeifItemCoding(file, id).transforms == transforms)
                best = { std::move(thumbnail), id };
        }
        return best;
    }

    // A copy of libheif's 8-bit RGB(A) picture in one of the formats we show; nullopt when it is
    // not what was asked for or larger than `bytes` (of 32-bit pixels) allow.
    std::optional<QImage> ShownCopy(heif_image* decoded, bool alpha, qint64 bytes)
    {
        const int width = heif_image_get_primary_width(decoded);
        const int height = heif_image_get_primary_height(decoded);
        int stride = 0;
        const uint8_t* pixels
            = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
        if (!pixels || width <= 0 || height <= 0 || qint64(width) * height * 4 > bytes
            || heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) != 8)
            return std::nullopt;
        const QImage::Format stored = !alpha             ? QImage::Format_RGB888
            : heif_image_is_premultiplied_alpha(decoded) ? QImage::Format_RGBA8888_Premultiplied
                                                         : QImage::Format_RGBA8888;
        const QImage view(pixels, width, height, stride, stored);
        QImage shown = view.convertToFormat(
            alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        return shown.isNull() ? std::nullopt : std::optional(std::move(shown));
    }

    qint64 Pixels(QSize size) { return qint64(size.width()) * size.height(); }

    // What a decode of `coding` at `depth` bits takes, per pixel; the most when the codec is not
    // known.
    qint64 BytesPerPixel(const HeifCoding& coding, int depth)
    {
        const bool deep = depth > 8;
        const qint64 av1 = deep ? kAv1DeepBytesPerPixel : kAv1BytesPerPixel;
        const qint64 hevc = deep ? kHevcDeepBytesPerPixel : kHevcBytesPerPixel;
        return coding.av1 == coding.hevc ? std::max(av1, hevc) : coding.av1 ? av1 : hevc;
    }

    // The image behind `handle` (item `item`), decoded to 8-bit RGB(A) whatever its depth, turned
    // upright. Reserves what decoding its largest frame takes: its stored size, the frame its
    // coded data say, or the canvas a grid or overlay is composed on (`canvas`), as a measured
    // peak (DecodeBudget::ReservePeak). Refused when that cannot be held, or when libheif gives
    // more pixels than the stored size, unless the item declares layers, whose stored size may be
    // a lower layer's than the one decoded.
    std::optional<QImage> DecodeImage(DecodeBudget& budget, ByteSource& file,
        const heif_image_handle* handle, quint32 item, QSize canvas = {})
    {
        const QSize size = SizeOf(handle);
        const HeifCoding coding = HeifItemCoding(file, item);
        const qint64 coded = Pixels(coding.frame.value_or(QSize()));
        const qint64 frame = std::max({ Pixels(size), Pixels(canvas), coded });
        const qint64 shown = std::max(Pixels(size), coding.layered ? coded : 0);
        if (size.isEmpty() || frame > kMaxDecodedBytes / 4)
            return std::nullopt;
        const auto reservation = budget.ReservePeak(
            frame * BytesPerPixel(coding, heif_image_handle_get_luma_bits_per_pixel(handle)));
        const std::unique_ptr<heif_decoding_options, OptionsFree> decoding(
            heif_decoding_options_alloc());
        if (!reservation || !decoding)
            return std::nullopt;
        decoding->convert_hdr_to_8bit = 1;
        const bool alpha = heif_image_handle_has_alpha_channel(handle);
        heif_image* raw = nullptr;
        const heif_error error = heif_decode_image(handle, &raw, heif_colorspace_RGB,
            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, decoding.get());
        const std::unique_ptr<heif_image, ImageRelease> image(raw);
        if (error.code != heif_error_Ok || !image)
            return std::nullopt;
        return ShownCopy(raw, alpha, shown * 4);
    }

    // The picture, read through `reader`; see DecodeHeif.
    std::optional<LoadedPicture> DecodeThrough(
        HeifSourceReader& reader, const PictureOptions& options, DecodeBudget& budget)
    {
        const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
        if (!context)
            return std::nullopt;
        heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
        reader.StartOpening();
        const bool opened = !reader.Exhausted()
            && heif_context_read_from_reader(
                   context.get(), &HeifSourceReader::Callbacks(), &reader, nullptr)
                    .code
                == heif_error_Ok;
        reader.EndOpening();
        if (!opened)
            return std::nullopt;
        heif_image_handle* raw = nullptr;
        heif_item_id primaryId = 0;
        if (heif_context_get_primary_image_ID(context.get(), &primaryId).code != heif_error_Ok
            || heif_context_get_primary_image_handle(context.get(), &raw).code != heif_error_Ok)
            return std::nullopt;
        const Handle primary(raw);
        const QSize upright = SizeOf(raw);
        if (upright.isEmpty())
            return std::nullopt;
        const HeifCoding coding = HeifItemCoding(reader, primaryId);
        const Thumbnail chosen = options.embeddedThumbnail && !options.reduceFor.isEmpty()
            ? ChooseThumbnail(reader, raw, upright, options.reduceFor, coding.transforms)
            : Thumbnail();
        const heif_image_handle* thumbnail = chosen.handle.get();
        // The primary image needs most of the file: one read of all of it beats one per tile.
        if (!thumbnail && reader.Size() <= kMaxWholeReadBytes && !reader.ReadWhole())
            return std::nullopt;
        auto image = thumbnail
            ? DecodeImage(budget, reader, thumbnail, chosen.id)
            : DecodeImage(budget, reader, raw, primaryId, HeifCanvasSize(reader).value_or(QSize()));
        if (!image)
            return std::nullopt;
        image->setColorSpace(ColourCodeSpace(raw)); // an ICC profile, when there is one, wins
        // A layered picture is as large as the layer decoded, whatever its stored size says.
        const QSize natural = coding.layered && !thumbnail ? image->size() : upright;
        LoadedPicture picture { InDisplayColours(std::move(*image), IccProfile(raw)), natural,
            thumbnail != nullptr };
        if (options.dateTaken)
            picture.takenMs = ExifTakenMs(ExifBlock(reader, raw));
        return picture;
    }

} // namespace

bool IsHeif(const QByteArray& head)
{
    const ByteView view(head, ByteOrder::BigEndian);
    if (!view.Fits(0, kFtypHeader) || head.mid(4, 4) != "ftyp")
        return false;
    const qint64 end = std::min<qint64>(view.U32(0), view.Size());
    bool named = IsBrand(view, 8);
    for (qint64 at = kFtypHeader; at + 4 <= end && !named; at += 4)
        named = IsBrand(view, at);
    return named;
}

std::optional<LoadedPicture> DecodeHeif(
    ByteSource& source, const PictureOptions& options, bool& readFailed, DecodeBudget& budget)
{
    StartLibheif();
    // Outlives the context that reads through it.
    HeifSourceReader reader(source);
    auto picture = DecodeThrough(reader, options, budget);
    if (reader.OutOfMemory())
        throw std::bad_alloc();
    readFailed = reader.Failed();
    return readFailed || reader.Exhausted() ? std::nullopt : picture;
}

std::optional<LoadedPicture> DecodeHeif(
    ByteSource& source, const PictureOptions& options, bool& readFailed)
{
    return DecodeHeif(source, options, readFailed, DecodeBudget::Shared());
}

} // namespace gb::formats
