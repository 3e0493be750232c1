#include "formats/raw_decoder.h"

#include "formats/decode_budget.h"
#include "formats/jpeg_decoder.h"
#include "formats/picture_log.h"
#include "formats/raw_datastream.h"
#include "formats/tiff_layout.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <libraw/libraw.h>
#include <memory>
#include <new>

namespace gb::formats {

namespace {

    // LibRaw may read the file this many times over (headers, preview and sensor data each once
    // at most, and some headers again), and this much more; a file that sends it further round in
    // circles then reads as ended.
    constexpr qint64 kReadsPerFile = 4;
    constexpr qint64 kReadAllowance = 1 << 20;
    // The first bytes, where every signature lies.
    constexpr qint64 kHeadBytes = 16;
    // LibRaw's own bound on the sensor data it holds, in megabytes: the decode budget's.
    constexpr unsigned kMaxRawMegabytes = 256;
    // LibRaw's flip (bit 0 mirrors left and right, bit 1 top and bottom, bit 2 swaps the sides,
    // applied in that order) as the Exif orientation that turns the picture the same way.
    constexpr std::array<int, 8> kOrientationOfFlip { 1, 2, 4, 3, 5, 8, 6, 7 };
    // Bytes a pixel of the sensor data takes: one 16-bit value behind a colour filter, else up to
    // four; and of the developed picture: LibRaw's four 16-bit channels and its 8-bit RGB copy,
    // and one more 16-bit copy where a Fujifilm sensor is turned or pixels are stretched square.
    constexpr qint64 kFilteredPixelBytes = 2, kRawPixelBytes = 8;
    constexpr qint64 kDevelopedPixelBytes = 8 + 3, kReshapeBytes = 8;

    // Whether `signature` (a literal, NULs included) lies at `offset` of `head`.
    template <qsizetype N>
    bool HasAt(const QByteArray& head, qsizetype offset, const char (&signature)[N])
    {
        return head.mid(offset, N - 1) == QByteArrayView(signature, N - 1);
    }

    bool IsTiff(const QByteArray& head)
    {
        return HasAt(head, 0, "II*\0") || HasAt(head, 0, "MM\0*");
    }

    // The types LibRaw knows by a signature of their own rather than by a TIFF's contents.
    bool HasRawSignature(const QByteArray& head)
    {
        const bool x3f
            = HasAt(head, 0, "FOVb") && (LibRaw::capabilities() & LIBRAW_CAPS_X3FTOOLS) != 0;
        return HasAt(head, 0, "IIRO") || HasAt(head, 0, "IIRS") || HasAt(head, 0, "MMOR")
            || HasAt(head, 0, "IIU\0") || HasAt(head, 0, "FUJIFILM") || HasAt(head, 0, "\0MRM")
            || HasAt(head, 4, "ftypcrx ")
            || ((HasAt(head, 0, "II") || HasAt(head, 0, "MM")) && HasAt(head, 6, "HEAPCCDR"))
            || x3f;
    }

    // LibRaw's answer to a call, `code`: an allocation that failed inside it becomes the
    // std::bad_alloc the decode entry knows it by (LibRaw's memory answer, or ENOMEM from its
    // image copy); any other failure is logged when `log`. Whether the call succeeded.
    bool Succeeded(int code, bool log = true)
    {
        if (code == LIBRAW_UNSUFFICIENT_MEMORY || code == ENOMEM)
            throw std::bad_alloc();
        if (code != LIBRAW_SUCCESS && log)
            qCInfo(lcPictures, "LibRaw: %s", libraw_strerror(code));
        return code == LIBRAW_SUCCESS;
    }

    // What LibRaw throws past its calls, its own exception codes, the same way.
    void Report(LibRaw_exceptions error)
    {
        if (error == LIBRAW_EXCEPTION_ALLOC)
            throw std::bad_alloc();
        qCInfo(lcPictures, "LibRaw stopped with its exception %d", int(error));
    }

    // One LibRaw reading one file.
    // LibRaw 0.20 reads a thumbnail stored in layers by the length the file gives into a buffer
    // of the size the file gives: where the two disagree, it writes past the buffer. Such a
    // thumbnail is not asked for.
    class CheckedLibRaw : public LibRaw {
    public:
        using LibRaw::LibRaw;
        bool ThumbnailFitsItsBuffer() const
        {
            const libraw_thumbnail_t& thumbnail = imgdata.thumbnail;
            return write_thumb != &CheckedLibRaw::layer_thumb
                || qint64(thumbnail.tlength) <= qint64(thumbnail.twidth) * thumbnail.theight;
        }
    };

    class RawSession {
    public:
        explicit RawSession(ByteSource& source)
            : stream_(source, source.Size() * kReadsPerFile + kReadAllowance,
                [this] { raw_->setCancelFlag(); })
            , raw_(std::make_unique<CheckedLibRaw>(
                  LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK))
        {
            raw_->imgdata.params.max_raw_memory_mb = kMaxRawMegabytes;
        }

        // LibRaw takes the byte order from where the stream stands before it looks at the file.
        bool Open(bool log = true)
        {
            stream_.seek(0, SEEK_SET);
            return Succeeded(raw_->open_datastream(&stream_), log);
        }
        bool Failed() const { return stream_.Failed(); }
        bool Stopped() const { return stream_.Stopped(); }
        bool OutOfMemory() const { return stream_.OutOfMemory(); }
        qint64 FileSize() { return stream_.size(); }
        CheckedLibRaw& Raw() { return *raw_; }

    private:
        RawDatastream stream_;
        std::unique_ptr<CheckedLibRaw> raw_;
    };

    struct ProcessedFree {
        void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
    };

    // The developed picture's size before it is turned, as LibRaw makes it at full size.
    QSize DevelopedSize(LibRaw& raw)
    {
        const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
        const double diagonal = std::sqrt(0.5);
        // As LibRaw turns a Fujifilm sensor laid out diagonally, one column less.
        if (const int fujiWidth = raw.is_fuji_rotated() - 1; fujiWidth >= 0)
            return QSize(int(fujiWidth / diagonal), int((sizes.height - fujiWidth) / diagonal));
        QSize size(sizes.width, sizes.height);
        if (sizes.pixel_aspect < 0.995)
            size.setHeight(int(sizes.height / sizes.pixel_aspect + 0.5));
        else if (sizes.pixel_aspect > 1.005)
            size.setWidth(int(sizes.width * sizes.pixel_aspect + 0.5));
        return size;
    }

    // `image` cut around its centre to the shape of `natural`, unless within a pixel of it or
    // too narrow a shape to leave a pixel.
    QImage CutToShape(QImage image, QSize natural)
    {
        const QSize shaped = natural.scaled(image.size(), Qt::KeepAspectRatio);
        if (shaped.isEmpty()
            || (image.width() - shaped.width() <= 1 && image.height() - shaped.height() <= 1))
            return image;
        const QRect centre(
            QPoint((image.width() - shaped.width()) / 2, (image.height() - shaped.height()) / 2),
            shaped);
        return image.copy(centre);
    }

    // Whether a preview of `preview` pixels, upright, cut to the picture's shape, serves: for a
    // box, when it is at least twice the size the picture gets fitted into it; for the whole
    // picture, when it is at least the size developing the sensor data gives (half the picture's).
    bool Covers(QSize preview, QSize natural, QSize box)
    {
        const QSize wanted
            = box.isEmpty() ? natural / 2 : 2 * natural.scaled(box, Qt::KeepAspectRatio);
        const QSize shaped = natural.scaled(preview, Qt::KeepAspectRatio);
        return shaped.width() >= wanted.width() && shaped.height() >= wanted.height();
    }

    bool IsBitmap(qint64 available, QSize size, int colours)
    {
        return !size.isEmpty() && (colours == 1 || colours == 3)
            && qint64(size.width()) * size.height() * colours <= available;
    }

    // An 8-bit grey or RGB bitmap of IsBitmap(), rows without padding, as RGB32; the caller has
    // reserved its pixels.
    std::optional<QImage> FromBitmap(const uchar* pixels, QSize size, int colours)
    {
        const QImage view(pixels, size.width(), size.height(), size.width() * colours,
            colours == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
        QImage image = view.convertToFormat(QImage::Format_RGB32);
        // Qt answers an allocation that failed with a null picture, and nothing else here can.
        if (image.isNull())
            throw std::bad_alloc();
        return image;
    }

    // The camera's preview, as stored, with its full size; JPEG ones reduced for `box` (the box
    // the picture gets fitted into, turned as the preview is stored).
    std::optional<LoadedPicture> Preview(CheckedLibRaw& raw, QSize box)
    {
        if (!raw.ThumbnailFitsItsBuffer() || !Succeeded(raw.unpack_thumb()))
            return std::nullopt;
        const libraw_thumbnail_t& thumbnail = raw.imgdata.thumbnail;
        if (!thumbnail.thumb || thumbnail.tlength == 0)
            return std::nullopt;
        if (thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG) {
            // The camera's orientation is LibRaw's; a preview's own Exif must not turn it again.
            const QByteArray bytes
                = QByteArray::fromRawData(thumbnail.thumb, qsizetype(thumbnail.tlength));
            return DecodeJpeg(bytes, JpegRequest { box, false });
        }
        if (thumbnail.tformat != LIBRAW_THUMBNAIL_BITMAP)
            return std::nullopt;
        const QSize size(thumbnail.twidth, thumbnail.theight);
        if (!IsBitmap(thumbnail.tlength, size, thumbnail.tcolors))
            return std::nullopt;
        const auto reservation
            = DecodeBudget::Shared().Reserve(qint64(size.width()) * size.height() * 4);
        auto image = !reservation
            ? std::nullopt
            : FromBitmap(reinterpret_cast<const uchar*>(thumbnail.thumb), size, thumbnail.tcolors);
        return image ? std::optional(LoadedPicture { std::move(*image), size }) : std::nullopt;
    }

    // What developing the sensor data holds at most, in bytes.
    qint64 DevelopingBytes(LibRaw& raw)
    {
        const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
        const QSize developed = DevelopedSize(raw);
        // At half size a colour filter's 2 x 2 cells become one pixel; other sensors stay whole.
        const bool filtered = raw.imgdata.idata.filters != 0;
        const qint64 shrink = filtered ? 4 : 1;
        const qint64 pixels = qint64(developed.width()) * developed.height() / shrink;
        const bool reshaped
            = raw.is_fuji_rotated() || sizes.pixel_aspect < 0.995 || sizes.pixel_aspect > 1.005;
        return qint64(sizes.raw_width) * sizes.raw_height
            * (filtered ? kFilteredPixelBytes : kRawPixelBytes)
            + pixels * (kDevelopedPixelBytes + (reshaped ? kReshapeBytes : 0));
    }

    // Whether the sensor data, as far as LibRaw knows where it lies, is within the file: its
    // readers of some cameras' data use what they could not read when it runs past the end.
    bool SensorDataInFile(LibRaw& raw, qint64 fileSize)
    {
        const auto& unpacker = raw.get_internal_data_pointer()->unpacker_data;
        // None at all is no sensor data either: LibRaw's CR3 decoder fails on it badly.
        return unpacker.data_offset > 0 && unpacker.data_offset < fileSize && unpacker.data_size > 0
            && unpacker.data_size <= fileSize - unpacker.data_offset;
    }

    // What a TIFF-headed file's directories say of its sensor data; None for other files.
    TiffSensorData SensorDataOf(ByteSource& source, bool& readFailed)
    {
        return FindTiffSensorData([&](qint64 offset, qint64 length) {
            QByteArray bytes;
            if (offset >= 0 && length > 0 && !source.Read(offset, length, bytes))
                readFailed = true;
            return bytes;
        });
    }

    // The sensor data developed by LibRaw at half size, upright, as RGB32; nullopt when it runs
    // past the end of the file, whose sensor data is then cut short or cut out, or is damaged,
    // or when its directories name only some of its strips or tiles (`partial`): LibRaw would
    // leave the rest of its sensor unfilled, and develop whatever memory held.
    std::optional<QImage> Develop(RawSession& session, bool partial)
    {
        // Opened again: LibRaw forgets the file when reading its preview fails.
        LibRaw& raw = session.Raw();
        if (partial || !session.Open() || !SensorDataInFile(raw, session.FileSize()))
            return std::nullopt;
        const auto reservation = DecodeBudget::Shared().Reserve(DevelopingBytes(raw));
        if (!reservation)
            return std::nullopt;
        libraw_output_params_t& params = raw.imgdata.params;
        params.half_size = 1;
        params.use_camera_wb = 1;
        params.output_bps = 8;
        // Data errors: LibRaw's decoder lost its way in the sensor data, and would show noise.
        if (!Succeeded(raw.unpack()) || session.Stopped() || raw.error_count() > 0
            || !Succeeded(raw.dcraw_process()))
            return std::nullopt;
        int error = LIBRAW_SUCCESS;
        const std::unique_ptr<libraw_processed_image_t, ProcessedFree> developed(
            raw.dcraw_make_mem_image(&error));
        raw.recycle(); // the sensor data and LibRaw's 16-bit picture
        if (!Succeeded(error) || !developed || developed->type != LIBRAW_IMAGE_BITMAP
            || developed->bits != 8)
            return std::nullopt;
        // Reserved above: LibRaw's 8-bit copy and ours take less than what LibRaw held.
        const QSize size(developed->width, developed->height);
        return IsBitmap(developed->data_size, size, developed->colors)
            ? FromBitmap(developed->data, size, developed->colors)
            : std::nullopt;
    }

    std::optional<LoadedPicture> Decode(
        RawSession& session, const PictureOptions& options, bool partial)
    {
        if (!session.Open())
            return std::nullopt;
        CheckedLibRaw& raw = session.Raw();
        const int flip = raw.imgdata.sizes.flip & 7;
        const bool sideways = (flip & 4) != 0;
        const QSize developed = DevelopedSize(raw);
        const QSize natural = sideways ? developed.transposed() : developed;
        if (natural.isEmpty())
            return std::nullopt;
        const QSize box = options.reduceFor.isEmpty() ? QSize() : options.reduceFor;
        auto preview = Preview(raw, sideways ? box.transposed() : box);
        if (preview) {
            preview->image
                = CutToShape(Upright(std::move(preview->image), kOrientationOfFlip[flip]), natural);
            const QSize full = preview->naturalSize;
            preview->naturalSize = natural;
            preview->embedded = true;
            if (Covers(sideways ? full.transposed() : full, natural, box))
                return preview;
        }
        auto image = Develop(session, partial);
        if (!image)
            return preview; // a preview too small for the box still beats nothing
        if (!box.isEmpty()) {
            const QSize twice = 2 * natural.scaled(box, Qt::KeepAspectRatio);
            if (image->width() > twice.width() && image->height() > twice.height())
                *image = image->scaled(twice, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        return LoadedPicture { std::move(*image), natural };
    }

} // namespace

bool MayBeCameraRaw(const QByteArray& head) { return HasRawSignature(head) || IsTiff(head); }

bool IsCameraRaw(ByteSource& file)
{
    // The directories are read twice, by the walk below and by LibRaw: fetched once.
    KeptByteSource source(file);
    QByteArray head;
    if (!source.Read(0, kHeadBytes, head))
        return false;
    if (HasRawSignature(head))
        return true;
    if (!IsTiff(head))
        return false;
    // A plain picture stays with the TIFF reader, even one LibRaw would take for a camera's by
    // its maker (a multispectral or thermal camera's).
    bool readFailed = false;
    if (SensorDataOf(source, readFailed) == TiffSensorData::None || readFailed)
        return false;
    // LibRaw's refusal of the rest is not worth a line in the log.
    try {
        RawSession session(source);
        const bool opened = session.Open(false);
        if (session.OutOfMemory())
            throw std::bad_alloc();
        return opened && !session.Failed();
    } catch (LibRaw_exceptions error) {
        Report(error);
        return false;
    }
}

std::optional<LoadedPicture> DecodeRaw(
    ByteSource& file, const PictureOptions& options, bool& readFailed)
{
    KeptByteSource source(file);
    readFailed = false;
    try {
        const bool partial = SensorDataOf(source, readFailed) == TiffSensorData::Incomplete;
        if (readFailed)
            return std::nullopt;
        RawSession session(source);
        auto picture = Decode(session, options, partial);
        if (session.OutOfMemory())
            throw std::bad_alloc();
        readFailed = session.Failed();
        // LibRaw reads the camera's date as local time, as no offset is known to it; a TIFF-built
        // file's own Exif, with its offset, takes over from this (see DecodePicture).
        const time_t taken = session.Raw().imgdata.other.timestamp;
        if (picture && options.dateTaken && taken > 0)
            picture->takenMs = qint64(taken) * 1000;
        return readFailed ? std::nullopt : picture;
    } catch (LibRaw_exceptions error) {
        Report(error);
        return std::nullopt;
    }
}

} // namespace gb::formats
