#include "formats/jxl_decoder.h"

#include "formats/decode_budget.h"
#include "formats/display_colours.h"

#include <jxl/decode.h>
#include <jxl/encode.h> // JxlColorEncodingSetToSRGB
#include <memory>

namespace gb::formats {

namespace {

    // What a decode peaks at per pixel, our 8-bit copy included, measured on 12-megapixel
    // pictures: about 6 bytes coded lossless, or lossy without alpha; 36 lossy with alpha, which
    // libjxl 0.7 works on in floating point at full size. Its memory manager sees none of this
    // (only the decoder object, 4 KB, is allocated through it), so the peak is reserved up front.
    constexpr qint64 kPeakBytesPerPixel = 8, kLossyAlphaPeakBytesPerPixel = 40;
    const QByteArray kContainer("\0\0\0\x0cJXL \r\n\x87\n", 12);
    const QByteArray kCodestream("\xff\x0a", 2);
    const JxlPixelFormat kRgba { 4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };

    struct DecoderFree {
        void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
    };

    // One decode: what the file has said so far, and where its pixels go.
    class JxlRun {
    public:
        explicit JxlRun(JxlDecoder* decoder)
            : decoder_(decoder)
        {
        }

        // The picture's size and orientation are known: its pixels are reserved.
        bool OnBasicInfo()
        {
            if (JxlDecoderGetBasicInfo(decoder_, &info_) != JXL_DEC_SUCCESS)
                return false;
            // Each side may claim up to 2^30 pixels: the product is checked before it is formed.
            if (info_.xsize == 0 || info_.ysize == 0
                || info_.xsize > kMaxDecodedBytes / 4 / info_.ysize)
                return false;
            const bool lossyAlpha = info_.alpha_bits > 0 && !info_.uses_original_profile;
            const qint64 peak = qint64(info_.xsize) * info_.ysize
                * (lossyAlpha ? kLossyAlphaPeakBytesPerPixel : kPeakBytesPerPixel);
            reservation_.emplace(DecodeBudget::Shared().ReservePeak(peak));
            return bool(*reservation_);
        }

        // A picture coded in libjxl's own colour space (lossy ones, mostly) is decoded straight
        // into sRGB; one kept in its original space (libjxl ignores the preference then) comes
        // with that space's profile.
        bool OnColourEncoding()
        {
            JxlColorEncoding srgb;
            JxlColorEncodingSetToSRGB(&srgb, info_.num_color_channels == 1);
            JxlDecoderSetPreferredColorProfile(decoder_, &srgb);
            size_t size = 0;
            const auto target = JXL_COLOR_PROFILE_TARGET_DATA;
            if (JxlDecoderGetICCProfileSize(decoder_, nullptr, target, &size) != JXL_DEC_SUCCESS)
                return true; // shown as its numbers stand
            icc_.resize(qsizetype(size));
            const auto data = reinterpret_cast<uint8_t*>(icc_.data());
            if (JxlDecoderGetColorAsICCProfile(decoder_, nullptr, target, data, size)
                != JXL_DEC_SUCCESS)
                icc_.clear();
            return true;
        }

        bool OnNeedImageBuffer()
        {
            size_t needed = 0;
            if (JxlDecoderImageOutBufferSize(decoder_, &kRgba, &needed) != JXL_DEC_SUCCESS)
                return false;
            image_ = QImage(Upright(),
                info_.alpha_bits > 0 ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
            if (image_.isNull() || size_t(image_.sizeInBytes()) != needed)
                return false;
            return JxlDecoderSetImageOutBuffer(decoder_, &kRgba, image_.bits(), needed)
                == JXL_DEC_SUCCESS;
        }

        QSize Upright() const
        {
            const QSize stored(int(info_.xsize), int(info_.ysize));
            return info_.orientation >= JXL_ORIENT_TRANSPOSE ? stored.transposed() : stored;
        }

        LoadedPicture Picture()
        {
            image_.convertTo(
                info_.alpha_bits > 0 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
            return LoadedPicture { InDisplayColours(std::move(image_), icc_), Upright() };
        }

    private:
        JxlDecoder* decoder_;
        JxlBasicInfo info_ {};
        std::optional<DecodeBudget::Reservation> reservation_;
        QByteArray icc_;
        QImage image_;
    };

    // Sets the decoder up for one frame of 8-bit RGBA on this thread, the picture turned upright.
    bool Prepare(JxlDecoder* decoder, const QByteArray& bytes)
    {
        const int events = JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE;
        return JxlDecoderSubscribeEvents(decoder, events) == JXL_DEC_SUCCESS
            && JxlDecoderSetKeepOrientation(decoder, JXL_FALSE) == JXL_DEC_SUCCESS
            && JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) == JXL_DEC_SUCCESS
            && JxlDecoderSetInput(decoder, reinterpret_cast<const uint8_t*>(bytes.constData()),
                   size_t(bytes.size()))
            == JXL_DEC_SUCCESS;
    }

} // namespace

bool IsJxl(const QByteArray& head)
{
    return head.startsWith(kCodestream) || head.startsWith(kContainer);
}

std::optional<LoadedPicture> DecodeJxl(const QByteArray& bytes, const PictureOptions& options)
{
    Q_UNUSED(options); // libjxl 0.7 has no reduced decode of a whole picture
    const std::unique_ptr<JxlDecoder, DecoderFree> decoder(JxlDecoderCreate(nullptr));
    if (!decoder || !Prepare(decoder.get(), bytes))
        return std::nullopt;
    JxlDecoderCloseInput(decoder.get());
    JxlRun run(decoder.get());
    for (;;) {
        bool ok = false;
        switch (JxlDecoderProcessInput(decoder.get())) {
        case JXL_DEC_BASIC_INFO:
            ok = run.OnBasicInfo();
            break;
        case JXL_DEC_COLOR_ENCODING:
            ok = run.OnColourEncoding();
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            ok = run.OnNeedImageBuffer();
            break;
        case JXL_DEC_FULL_IMAGE:
            return run.Picture(); // the first frame of an animation
        default: // an error, the file ending early, or no frame at all
            break;
        }
        if (!ok)
            return std::nullopt;
    }
}

} // namespace gb::formats
