#include "formats/picture_types.h"

#include "formats/byte_view.h"
#include "formats/dib_header.h"
#include "formats/heif_decoder.h"
#include "formats/jxl_decoder.h"
#include "formats/metafile_loader.h"
#include "formats/qt_reader_decode.h"
#include "formats/raw_decoder.h"
#include "formats/tiff_decoder.h"
#include "formats/type_decoders.h"

#include <vector>

namespace gb::formats {

namespace {

    constexpr quint16 kIconType = 1, kCursorType = 2;

    bool IsIcon(const QByteArray& head)
    {
        const ByteView bytes(head);
        const quint16 type = bytes.U16(2);
        return bytes.Fits(0, 4) && bytes.U16(0) == 0 && (type == kIconType || type == kCursorType);
    }

    bool IsHeaderlessDib(const QByteArray& head)
    {
        const auto dib = DibHeader::Read(ByteView(head));
        return dib && dib->IsPlausible();
    }

    // A classic TIFF, or a BigTIFF (eight-byte offsets), in either byte order.
    bool IsTiff(const QByteArray& head)
    {
        return head.startsWith(QByteArrayView("II*\0", 4))
            || head.startsWith(QByteArrayView("MM\0*", 4))
            || head.startsWith(QByteArrayView("II+\0", 4))
            || head.startsWith(QByteArrayView("MM\0+", 4));
    }

    std::optional<LoadedPicture> DecodeMetafile(
        const QByteArray& bytes, const PictureOptions& options)
    {
        return MetafileLoader::Load(bytes, options);
    }

    // What cameras name their RAW files, in LibRaw's reach.
    const QStringList kRawPatterns { "*.cr2", "*.cr3", "*.crw", "*.nef", "*.nrw", "*.arw", "*.srf",
        "*.sr2", "*.dng", "*.raf", "*.orf", "*.rw2", "*.rwl", "*.pef", "*.srw", "*.mrw", "*.3fr",
        "*.erf", "*.kdc", "*.dcr", "*.mef", "*.mos", "*.iiq" };

    // In the order they are tried: a metafile is judged by its first 44 bytes, and a bitmap with
    // no file header only by a plausible header, so it comes last.
    const std::vector<PictureType>& Types()
    {
        using R = ReadPolicy;
        static const std::vector<PictureType> kTypes {
            { .name = "metafile",
                .matches = MetafileLoader::IsMetafile,
                .decode = DecodeMetafile,
                .read = R::Whole },
            { .name = "bmp",
                .matches = [](const QByteArray& h) { return h.startsWith("BM"); },
                .decode = DecodeBitmapFile,
                .read = R::BitmapHeaders },
            { .name = "jpeg",
                .matches = [](const QByteArray& h) { return h.startsWith("\xff\xd8"); },
                .decode = DecodeJpegFile,
                .qtReader = "jpeg",
                .read = R::WholeOrStream },
            { .name = "gif",
                .matches =
                    [](const QByteArray& h) {
                        return h.startsWith("GIF87a") || h.startsWith("GIF89a");
                    },
                .qtReader = "gif",
                .read = R::WholeOrStream },
            { .name = "png",
                .matches = [](const QByteArray& h) { return h.startsWith("\x89PNG\r\n\x1a\n"); },
                .decode = DecodePngFile,
                .qtReader = "png",
                .read = R::Whole,
                .everyTypePatterns = { "*.png" } },
            // Before TIFF: most camera RAW files have a TIFF's head, and go to LibRaw only when
            // their directories hold a sensor's data.
            { .name = "raw",
                .matches = MayBeCameraRaw,
                .read = R::OnDemand,
                .everyTypePatterns = kRawPatterns,
                .matchesSource = IsCameraRaw,
                .decodeSource = DecodeRaw },
            { .name = "tiff",
                .matches = IsTiff,
                .decode = DecodeTiffFile,
                .qtReader = "tiff",
                .read = R::Whole,
                .everyTypePatterns = { "*.tif", "*.tiff" },
                .decodeStoredThumbnail = DecodeTiffThumbnail },
            { .name = "webp",
                .matches
                = [](const QByteArray& h) { return h.startsWith("RIFF") && h.mid(8, 4) == "WEBP"; },
                .decode = DecodeWebpFile,
                .qtReader = "webp",
                .read = R::Whole,
                .everyTypePatterns = { "*.webp" } },
            { .name = "heif",
                .matches = IsHeif,
                .read = R::OnDemand,
                .everyTypePatterns = { "*.heic", "*.heif", "*.hif", "*.avif" },
                .decodeSource = DecodeHeif },
            { .name = "jxl",
                .matches = IsJxl,
                .decode = DecodeJxl,
                .read = R::Whole,
                .everyTypePatterns = { "*.jxl" } },
            { .name = "icon", .matches = IsIcon, .decode = DecodeIconFile, .read = R::Whole },
            { .name = "dib",
                .matches = IsHeaderlessDib,
                .decode = DecodeHeaderlessDib,
                .read = R::Whole },
        };
        return kTypes;
    }

} // namespace

const PictureType* FindPictureType(const QByteArray& head, ByteSource& source)
{
    for (const PictureType& type : Types()) {
        if (type.matches(head) && (!type.matchesSource || type.matchesSource(source)))
            return &type;
    }
    return nullptr;
}

bool IsAvailable(const PictureType& type)
{
    return type.qtReader ? HasQtReader(type.qtReader) : type.decode || type.decodeSource;
}

QStringList EveryTypePatterns()
{
    QStringList patterns;
    for (const PictureType& type : Types()) {
        if (IsAvailable(type))
            patterns += type.everyTypePatterns;
    }
    return patterns;
}

} // namespace gb::formats
