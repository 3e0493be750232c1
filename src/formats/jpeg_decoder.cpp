#include "formats/jpeg_decoder.h"

#include "formats/byte_view.h"
#include "formats/decode_budget.h"
#include "formats/display_colours.h"

#include <QTransform>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE without including it
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace gb::formats {

namespace {

    // libjpeg-turbo's own TurboJPEG interface refuses progressive files of more scans than this
    // when asked to; real ones have about ten, and each scan costs a pass over the whole picture.
    constexpr int kMaxScans = 500;
    // What libjpeg may hold beside our pixels: a progressive picture keeps every coefficient,
    // 6 bytes a pixel for the largest colour picture the decode budget lets through.
    constexpr long kMaxLibjpegMemory = 512L << 20;
    constexpr unsigned kScaleDenominator = 8; // libjpeg scales by n/8
    constexpr int kCmykBytes = 4;

    struct ErrorManager {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
    };

    [[noreturn]] void JumpOnError(j_common_ptr info)
    {
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
    }

    // Warnings (data cut short, a damaged stretch) leave libjpeg to fill in what is missing,
    // as Qt's reader lets it; nothing is printed.
    void Silent(j_common_ptr) { }

    void LimitScans(j_common_ptr info)
    {
        if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
            JumpOnError(info);
    }

    // One decompression. Each step that calls libjpeg sets the jump target itself and keeps
    // nothing that needs destroying in its frame, so an error jumps back over C frames only.
    class JpegSession {
    public:
        explicit JpegSession(const QByteArray& bytes)
            : bytes_(bytes)
        {
            info_.err = jpeg_std_error(&errors_.pub);
            errors_.pub.error_exit = JumpOnError;
            errors_.pub.output_message = Silent;
            progress_.progress_monitor = LimitScans;
        }
        ~JpegSession() { jpeg_destroy_decompress(&info_); }
        JpegSession(const JpegSession&) = delete;
        JpegSession& operator=(const JpegSession&) = delete;

        const jpeg_decompress_struct& Info() const { return info_; }

        bool ReadHeader()
        {
            if (setjmp(errors_.jump))
                return false;
            jpeg_create_decompress(&info_);
            info_.progress = &progress_;
            info_.mem->max_memory_to_use = kMaxLibjpegMemory;
            jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes_.constData()),
                static_cast<unsigned long>(bytes_.size()));
            jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xffff);
            jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xffff); // the colour profile
            return jpeg_read_header(&info_, TRUE) == JPEG_HEADER_OK;
        }

        // The embedded colour profile, joined from its pieces; empty when there is none.
        QByteArray IccProfile()
        {
            JOCTET* data = nullptr;
            unsigned int length = 0;
            if (setjmp(errors_.jump) || !jpeg_read_icc_profile(&info_, &data, &length))
                return QByteArray();
            QByteArray profile(reinterpret_cast<const char*>(data), qsizetype(length));
            std::free(data);
            return profile;
        }

        // 0 for `scale` leaves the picture at its stored size.
        bool SetOutput(unsigned scale, J_COLOR_SPACE space)
        {
            if (setjmp(errors_.jump))
                return false;
            if (scale > 0) {
                info_.scale_num = scale;
                info_.scale_denom = kScaleDenominator;
            }
            info_.out_color_space = space;
            jpeg_calc_output_dimensions(&info_);
            return true;
        }

        // `image` is of the output size: RGB32, or Grayscale8 for grey output.
        bool ReadPixels(QImage& image)
        {
            uchar* const bits = image.bits(); // once: scanLine() checks for sharing on every row
            const qsizetype stride = image.bytesPerLine();
            if (setjmp(errors_.jump))
                return false;
            JSAMPARRAY cmyk = info_.out_color_space != JCS_CMYK
                ? nullptr
                : (*info_.mem->alloc_sarray)(
                    j_common_ptr(&info_), JPOOL_IMAGE, info_.output_width * kCmykBytes, 1);
            jpeg_start_decompress(&info_);
            while (info_.output_scanline < info_.output_height) {
                uchar* line = bits + stride * info_.output_scanline;
                JSAMPROW row = cmyk ? cmyk[0] : line;
                if (jpeg_read_scanlines(&info_, &row, 1) != 1)
                    return false;
                if (cmyk)
                    CmykToRgb(cmyk[0], reinterpret_cast<QRgb*>(line), info_.output_width);
            }
            jpeg_finish_decompress(&info_);
            return true;
        }

    private:
        // As Qt's reader converts: the ink values of Adobe's files come inverted, so each
        // channel times K is the light that passes.
        static void CmykToRgb(const JSAMPLE* in, QRgb* out, JDIMENSION width)
        {
            for (JDIMENSION x = 0; x < width; ++x, in += kCmykBytes) {
                const int k = in[3];
                out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
            }
        }

        const QByteArray& bytes_;
        jpeg_decompress_struct info_ {};
        ErrorManager errors_ {};
        jpeg_progress_mgr progress_ {};
    };

    // Grey, colour and CMYK pictures come out as 32-bit rows; libjpeg knows no other.
    J_COLOR_SPACE OutputSpace(const jpeg_decompress_struct& info)
    {
        switch (info.out_color_space) {
        case JCS_GRAYSCALE:
        case JCS_RGB:
            return JCS_EXT_BGRX; // 0xffRRGGBB in memory on a little-endian machine
        case JCS_CMYK:
            return JCS_CMYK;
        default:
            return JCS_UNKNOWN;
        }
    }

    QByteArray App1Segments(const jpeg_decompress_struct& info)
    {
        QByteArray app1;
        for (auto marker = info.marker_list; marker; marker = marker->next)
            if (marker->marker == JPEG_APP0 + 1)
                app1.append(reinterpret_cast<const char*>(marker->data), marker->data_length);
        return app1;
    }

    // The Exif orientation (1..8) exactly as Qt's JPEG reader reads it from the APP1 segments
    // laid end to end, IFD after IFD: 0 when there is none or it is unreadable.
    int QtExifOrientation(const QByteArray& app1)
    {
        constexpr qint64 kHeader = 6; // "Exif\0\0"; every offset counts from its end
        constexpr int kMaxIfds = 10;
        constexpr quint16 kOrientationTag = 0x0112, kShort = 3, kTiffMagic = 42;
        constexpr qint64 kEntrySize = 12;
        const QByteArray order = app1.mid(kHeader, 2);
        if (!app1.startsWith(QByteArray("Exif\0\0", kHeader)) || (order != "II" && order != "MM"))
            return 0;
        const ByteView tiff(app1.constData() + kHeader, app1.size() - kHeader,
            order == "II" ? ByteOrder::LittleEndian : ByteOrder::BigEndian);
        if (!tiff.Fits(0, 8) || tiff.U16(2) != kTiffMagic)
            return 0;
        qint64 at = 8;
        quint32 ifd = tiff.U32(4);
        for (int n = 0; n < kMaxIfds; ++n) {
            // Only forward, and only to where an entry count fits, as Qt's reader goes.
            if (ifd < at || !tiff.Fits(ifd, 2))
                return 0;
            const int entries = tiff.U16(ifd);
            at = qint64(ifd) + 2;
            for (int i = 0; i < entries; ++i, at += kEntrySize) {
                if (!tiff.Fits(at, kEntrySize))
                    return 0;
                if (tiff.U16(at) != kOrientationTag)
                    continue;
                const int value = tiff.U16(at + 8);
                const bool valid = tiff.U16(at + 2) == kShort && tiff.U32(at + 4) == 1;
                return valid && value >= 1 && value <= 8 ? value : 0;
            }
            if (!tiff.Fits(at, 4))
                return 0;
            ifd = tiff.U32(at); // 0 for the last: no IFD lies before where we are
            at += 4;
        }
        return 0;
    }

    // The size asked for: the stored size divided by the reduction, rounded up.
    QSize ReducedSize(QSize stored, QSize upright, QSize box)
    {
        if (!box.isValid() || box.isEmpty())
            return stored;
        const int factor = JpegReduction(upright, box);
        return QSize(
            (stored.width() + factor - 1) / factor, (stored.height() + factor - 1) / factor);
    }

    // libjpeg's scale n/8 for that size, as Qt's reader chooses it: the smallest n that gives
    // at least the size in both directions. A side that is no exact multiple of the reduction
    // needs one eighth more, and the picture is then scaled down smoothly to the size.
    unsigned ScaleFor(QSize stored, QSize wanted)
    {
        if (wanted == stored)
            return 0;
        const double shrink = std::min(
            double(stored.width()) / wanted.width(), double(stored.height()) / wanted.height());
        return unsigned(std::clamp(int(std::ceil(8 / shrink)), 1, 8));
    }

} // namespace

int JpegReduction(QSize upright, QSize box)
{
    const QSize fitted = upright.scaled(box, Qt::KeepAspectRatio);
    for (int factor : { 8, 4, 2 }) {
        const int w = (upright.width() + factor - 1) / factor;
        const int h = (upright.height() + factor - 1) / factor;
        if (w >= 2 * fitted.width() && h >= 2 * fitted.height())
            return factor;
    }
    return 1;
}

std::optional<LoadedPicture> DecodeJpeg(const QByteArray& bytes, const JpegRequest& request)
{
    JpegSession jpeg(bytes);
    if (!jpeg.ReadHeader())
        return std::nullopt;
    const jpeg_decompress_struct& info = jpeg.Info();
    const QSize stored(int(info.image_width), int(info.image_height));
    auto& budget = DecodeBudget::Shared();
    const J_COLOR_SPACE space = OutputSpace(info);
    if (stored.isEmpty() || stored.width() > request.maxSide || stored.height() > request.maxSide
        || qint64(stored.width()) * stored.height() * 4 > budget.Total() || space == JCS_UNKNOWN)
        return std::nullopt;
    const int orientation = request.upright ? QtExifOrientation(App1Segments(info)) : 0;
    const QSize upright = orientation >= 5 ? stored.transposed() : stored;
    const QSize wanted = ReducedSize(stored, upright, request.reduceFor);
    const unsigned scale = ScaleFor(stored, wanted);
    if (!jpeg.SetOutput(scale, space))
        return std::nullopt;
    const QSize output(int(info.output_width), int(info.output_height));
    // Qt's reader scales a grey picture as 8-bit grey, which rounds otherwise than 32-bit.
    const bool grey = output != wanted && info.jpeg_color_space == JCS_GRAYSCALE;
    if (grey && !jpeg.SetOutput(scale, JCS_GRAYSCALE))
        return std::nullopt;
    const auto reservation = budget.Reserve(qint64(output.width()) * output.height() * 4);
    if (!reservation)
        return std::nullopt;
    const QByteArray icc = jpeg.IccProfile(); // gone once the pixels are read
    QImage image(output, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (image.isNull() || !jpeg.ReadPixels(image))
        return std::nullopt;
    if (output != wanted) {
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.convertTo(QImage::Format_RGB32);
    }
    return LoadedPicture { Upright(InDisplayColours(std::move(image), icc), orientation), upright };
}

QImage Upright(QImage stored, int orientation)
{
    const QTransform quarter = QTransform().rotate(90);
    switch (orientation) {
    case 2:
        return std::move(stored).mirrored(true, false);
    case 3:
        return std::move(stored).mirrored(true, true);
    case 4:
        return std::move(stored).mirrored(false, true);
    case 5:
        return std::move(stored).mirrored(false, true).transformed(quarter);
    case 6:
        return stored.transformed(quarter);
    case 7:
        return std::move(stored).mirrored(true, false).transformed(quarter);
    case 8:
        return stored.transformed(QTransform().rotate(270));
    default:
        return stored;
    }
}

} // namespace gb::formats
