// The floor for a thumbnail of each picture type: what the type's own library takes to decode the
// data a thumbnail needs, nothing else (no scaling, no tile, no window). For bench/new-types.sh.
//
//   glimmerbox_decode_floor [--rounds N] FILE...
//
// PNG, WebP and TIFF: Qt's reader (libpng, libwebp, libtiff underneath), the whole picture, as
// none of them decodes at a reduced size. HEIC and AVIF: libheif, the stored thumbnail when
// there is one, else the primary image. JPEG XL: libjxl, the whole picture, on one thread.
// Camera RAW: LibRaw's unpacking of the embedded preview, then libjpeg's decode of it at the
// smallest scale that still gives 124 pixels (twice a tile) on its shorter side.
// The files are decoded on as many threads as the machine has cores, as the program decodes
// them. Prints the median over the rounds of the wall-clock time for all of them.
#include "bench_files.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <jxl/decode.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>
#include <vector>

namespace {

bool DecodeHeif(const QByteArray& bytes)
{
    heif_context* context = heif_context_alloc();
    heif_image_handle* primary = nullptr;
    heif_image_handle* thumbnail = nullptr;
    heif_image* image = nullptr;
    bool ok = heif_context_read_from_memory_without_copy(
                  context, bytes.constData(), size_t(bytes.size()), nullptr)
                  .code
            == heif_error_Ok
        && heif_context_get_primary_image_handle(context, &primary).code == heif_error_Ok;
    heif_item_id id = 0;
    if (ok && heif_image_handle_get_list_of_thumbnail_IDs(primary, &id, 1) == 1)
        heif_image_handle_get_thumbnail(primary, id, &thumbnail);
    ok = ok
        && heif_decode_image(thumbnail ? thumbnail : primary, &image, heif_colorspace_RGB,
               heif_chroma_interleaved_RGBA, nullptr)
                .code
            == heif_error_Ok;
    heif_image_release(image);
    heif_image_handle_release(thumbnail);
    heif_image_handle_release(primary);
    heif_context_free(context);
    return ok;
}

bool DecodeJxl(const QByteArray& bytes)
{
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    const JxlPixelFormat format { 4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };
    std::vector<uint8_t> pixels;
    bool ok = JxlDecoderSubscribeEvents(decoder, JXL_DEC_FULL_IMAGE) == JXL_DEC_SUCCESS
        && JxlDecoderSetInput(
               decoder, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()))
            == JXL_DEC_SUCCESS;
    JxlDecoderCloseInput(decoder);
    for (bool done = !ok; !done;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t size = 0;
            ok = JxlDecoderImageOutBufferSize(decoder, &format, &size) == JXL_DEC_SUCCESS;
            pixels.resize(size);
            ok = ok
                && JxlDecoderSetImageOutBuffer(decoder, &format, pixels.data(), size)
                    == JXL_DEC_SUCCESS;
            done = !ok;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
        case JXL_DEC_SUCCESS:
            done = true;
            break;
        default:
            ok = false;
            done = true;
        }
    }
    JxlDecoderDestroy(decoder);
    return ok && !pixels.empty();
}

bool DecodeRawPreview(const QByteArray& bytes)
{
    LibRaw raw;
    if (raw.open_buffer(const_cast<char*>(bytes.constData()), size_t(bytes.size()))
            != LIBRAW_SUCCESS
        || raw.unpack_thumb() != LIBRAW_SUCCESS
        || raw.imgdata.thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG)
        return false;
    QByteArray jpeg
        = QByteArray::fromRawData(raw.imgdata.thumbnail.thumb, raw.imgdata.thumbnail.tlength);
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();
    int factor = 8;
    while (factor > 1 && std::min(size.width(), size.height()) / factor < 124)
        factor /= 2;
    reader.setScaledSize(size / factor);
    return !reader.read().isNull();
}

bool Decode(const QByteArray& bytes)
{
    const bool tiffHead = bytes.startsWith("II*") || bytes.startsWith("MM");
    if ((tiffHead || bytes.startsWith("FUJIFILM")) && DecodeRawPreview(bytes))
        return true; // a plain TIFF goes on to Qt's reader
    if (bytes.startsWith("\xff\x0a") || bytes.mid(4, 4) == "JXL ")
        return DecodeJxl(bytes);
    if (bytes.mid(4, 4) == "ftyp")
        return DecodeHeif(bytes);
    QImage image = QImage::fromData(bytes);
    return !image.isNull();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto read = gb::bench::ReadBenchFiles(app.arguments().mid(1), "glimmerbox_decode_floor");
    if (!read)
        return 2;
    const std::vector<QByteArray>& files = read->bytes;
    const int rounds = read->rounds;
    std::vector<double> totals;
    for (int round = 0; round < rounds; ++round) {
        const auto ms = gb::bench::TimeOnEveryCore(files.size(), [&](size_t at) {
            if (Decode(files[at]))
                return true;
            std::fprintf(stderr, "could not decode %s\n", qPrintable(read->paths.at(int(at))));
            return false;
        });
        if (!ms)
            return 1;
        totals.push_back(*ms);
    }
    std::sort(totals.begin(), totals.end());
    std::printf("decode-floor files=%zu ms_total=%.1f\n", files.size(), totals[totals.size() / 2]);
    return 0;
}
