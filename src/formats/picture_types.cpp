#include "formats/picture_types.h"

#include "formats/byte_view.h"
#include "formats/dib_header.h"
#include "formats/heif_decoder.h"
#include "formats/jxl_decoder.h"
#include "formats/metafile_loader.h"
#include "formats/qt_reader_decode.h"
#include "formats/raw_decoder.h"
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
            { "metafile", MetafileLoader::IsMetafile, DecodeMetafile, nullptr, R::Whole, {} },
            { "bmp", [](const QByteArray& h) { return h.startsWith("BM"); }, DecodeBitmapFile,
                nullptr, R::BitmapHeaders, {} },
            { "jpeg", [](const QByteArray& h) { return h.startsWith("\xff\xd8"); }, DecodeJpegFile,
                "jpeg", R::WholeOrStream, {} },
            { "gif",
                [](const QByteArray& h) {
                    return h.startsWith("GIF87a") || h.startsWith("GIF89a");
                },
                nullptr, "gif", R::WholeOrStream, {} },
            { "png", [](const QByteArray& h) { return h.startsWith("\x89PNG\r\n\x1a\n"); },
                DecodePngFile, "png", R::Whole, { "*.png" } },
            // Before TIFF: most camera RAW files have a TIFF's head.
            { "raw", MayBeCameraRaw, nullptr, nullptr, R::OnDemand, kRawPatterns, IsCameraRaw,
                DecodeRaw },
            { "tiff",
                [](const QByteArray& h) {
                    return h.startsWith(QByteArrayView("II*\0", 4))
                        || h.startsWith(QByteArrayView("MM\0*", 4));
                },
                nullptr, "tiff", R::Whole, { "*.tif", "*.tiff" } },
            { "webp",
                [](const QByteArray& h) { return h.startsWith("RIFF") && h.mid(8, 4) == "WEBP"; },
                DecodeWebpFile, "webp", R::Whole, { "*.webp" } },
            { "heif", IsHeif, DecodeHeif, nullptr, R::Whole,
                { "*.heic", "*.heif", "*.hif", "*.avif" } },
            { "jxl", IsJxl, DecodeJxl, nullptr, R::Whole, { "*.jxl" } },
            { "icon", IsIcon, DecodeIconFile, nullptr, R::Whole, {} },
            { "dib", IsHeaderlessDib, DecodeHeaderlessDib, nullptr, R::Whole, {} },
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
