#include "formats/heif_canvas.h"

#include "formats/byte_view.h"

namespace gb::formats {

namespace {

    struct Box {
        QByteArray type;
        qint64 body = 0; // after the box header
        qint64 end = 0;
    };

    // The box at `at`, within `end`; nullopt when it does not fit.
    std::optional<Box> BoxAt(const ByteView& view, qint64 at, qint64 end)
    {
        if (!view.Fits(at, 8) || at + 8 > end)
            return std::nullopt;
        qint64 size = view.U32(at);
        qint64 header = 8;
        if (size == 1) {
            size = (qint64(view.U32(at + 8)) << 32) | view.U32(at + 12);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at)
            return std::nullopt;
        return Box { QByteArray(view.Data() + at + 4, 4), at + header, at + size };
    }

    // A field of 0, 2, 4 or 8 bytes, as 'iloc' sizes them.
    qint64 Field(const ByteView& view, qint64 at, int bytes)
    {
        if (bytes == 8)
            return (qint64(view.U32(at)) << 32) | view.U32(at + 4);
        return bytes == 4 ? view.U32(at) : bytes == 2 ? view.U16(at) : 0;
    }

    // The item type of `item` in an 'iinf' box.
    QByteArray ItemType(const ByteView& view, const Box& iinf, quint32 item)
    {
        qint64 at = iinf.body + (view.U8(iinf.body) == 0 ? 6 : 8);
        while (const std::optional<Box> infe = BoxAt(view, at, iinf.end)) {
            const int version = view.U8(infe->body);
            const qint64 id = infe->body + 4;
            const bool wide = version >= 3;
            if (infe->type == "infe" && version >= 2 && (wide ? view.U32(id) : view.U16(id)) == item
                && view.Fits(id + (wide ? 6 : 4), 4))
                return QByteArray(view.Data() + id + (wide ? 6 : 4), 4);
            at = infe->end;
        }
        return {};
    }

    // Where the first extent of `item` lies in the file, by its 'iloc' entry.
    std::optional<qint64> ItemData(const ByteView& view, const Box& iloc, qint64 idat, quint32 item)
    {
        const int version = view.U8(iloc.body);
        const int offsetSize = view.U8(iloc.body + 4) >> 4;
        const int lengthSize = view.U8(iloc.body + 4) & 15;
        const int baseSize = view.U8(iloc.body + 5) >> 4;
        const int indexSize = version == 1 || version == 2 ? view.U8(iloc.body + 5) & 15 : 0;
        const bool wide = version == 2;
        const qint64 count = wide ? view.U32(iloc.body + 6) : view.U16(iloc.body + 6);
        qint64 at = iloc.body + (wide ? 10 : 8);
        for (qint64 i = 0; i < count && at < iloc.end; ++i) {
            const quint32 id = wide ? view.U32(at) : view.U16(at);
            at += wide ? 4 : 2;
            const int method = version == 1 || version == 2 ? view.U16(at) & 15 : 0;
            at += (version == 1 || version == 2 ? 2 : 0) + 2; // construction, data reference
            const qint64 base = Field(view, at, baseSize);
            at += baseSize;
            const int extents = view.U16(at);
            at += 2;
            if (id == item && extents > 0) {
                const qint64 offset = base + Field(view, at + indexSize, offsetSize);
                return method == 1 ? idat + offset : offset;
            }
            at += qint64(extents) * (indexSize + offsetSize + lengthSize);
        }
        return std::nullopt;
    }

} // namespace

std::optional<QSize> HeifCanvasSize(const QByteArray& file)
{
    const ByteView view(file, ByteOrder::BigEndian);
    std::optional<Box> meta;
    for (qint64 at = 0; !meta;) {
        const std::optional<Box> box = BoxAt(view, at, view.Size());
        if (!box)
            return std::nullopt;
        meta = box->type == "meta" ? box : std::nullopt;
        at = box->end;
    }
    std::optional<Box> iinf, iloc;
    qint64 idat = -1;
    std::optional<quint32> primary;
    qint64 at = meta->body + 4;
    while (const std::optional<Box> box = BoxAt(view, at, meta->end)) {
        if (box->type == "pitm")
            primary = view.U8(box->body) == 0 ? view.U16(box->body + 4) : view.U32(box->body + 4);
        else if (box->type == "iinf")
            iinf = box;
        else if (box->type == "iloc")
            iloc = box;
        else if (box->type == "idat")
            idat = box->body;
        at = box->end;
    }
    if (!primary || !iinf || !iloc)
        return std::nullopt;
    const QByteArray type = ItemType(view, *iinf, *primary);
    const qint64 fields = type == "grid" ? 4 : type == "iovl" ? 10 : -1;
    const std::optional<qint64> data
        = fields < 0 ? std::nullopt : ItemData(view, *iloc, idat, *primary);
    if (!data || !view.Fits(*data, fields))
        return std::nullopt;
    const bool wide = view.U8(*data + 1) & 1;
    const qint64 size = *data + fields;
    const qint64 width = wide ? view.U32(size) : view.U16(size);
    const qint64 height = wide ? view.U32(size + 4) : view.U16(size + 2);
    if (!view.Fits(size, wide ? 8 : 4))
        return std::nullopt;
    return QSize(int(std::min<qint64>(width, 1 << 30)), int(std::min<qint64>(height, 1 << 30)));
}

} // namespace gb::formats
