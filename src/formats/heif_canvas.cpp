#include "formats/heif_canvas.h"

#include "formats/byte_view.h"

namespace gb::formats {

namespace {

    // A box header with a 64-bit size.
    constexpr qint64 kLargeHeader = 16;
    // The most of a 'meta' box read: what the whole file once could be. libheif allows 20000
    // items of 32 extents each, an 'iloc' of about 13 MB at most.
    constexpr qint64 kMaxMetaBytes = qint64(64) << 20;

    using Box = HeifBox;
    // The most top-level boxes looked at: a phone writes three or four.
    constexpr int kMaxTopLevelBoxes = 1024;

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

    // Where the first extent of `item` lies: in the file, or within the 'meta' box's 'idat'.
    struct ItemPlace {
        qint64 offset = 0;
        bool inMeta = false;
    };
    std::optional<ItemPlace> ItemData(
        const ByteView& view, const Box& iloc, qint64 idat, quint32 item)
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
                return method == 1 ? ItemPlace { idat + offset, true } : ItemPlace { offset };
            }
            at += qint64(extents) * (indexSize + offsetSize + lengthSize);
        }
        return std::nullopt;
    }

    // The body of the top-level 'meta' box.
    std::optional<QByteArray> MetaBody(ByteSource& file)
    {
        for (const Box& box : HeifTopLevelBoxes(file)) {
            QByteArray body;
            if (box.type == "meta")
                return box.end - box.body <= kMaxMetaBytes
                        && file.Read(box.body, box.end - box.body, body)
                    ? std::optional(body)
                    : std::nullopt;
        }
        return std::nullopt;
    }

} // namespace

std::vector<HeifBox> HeifTopLevelBoxes(ByteSource& file)
{
    std::vector<HeifBox> boxes;
    for (qint64 at = 0; int(boxes.size()) < kMaxTopLevelBoxes;) {
        QByteArray header;
        if (!file.Read(at, kLargeHeader, header))
            break;
        std::optional<Box> box = BoxAt(ByteView(header, ByteOrder::BigEndian), 0, file.Size() - at);
        if (!box)
            break;
        boxes.push_back({ box->type, at + box->body, at + box->end });
        at += box->end;
    }
    return boxes;
}

std::optional<QSize> HeifCanvasSize(ByteSource& file)
{
    const std::optional<QByteArray> metaBody = MetaBody(file);
    if (!metaBody)
        return std::nullopt;
    const ByteView view(*metaBody, ByteOrder::BigEndian);
    std::optional<Box> iinf, iloc;
    qint64 idat = -1;
    std::optional<quint32> primary;
    qint64 at = 4; // past the box's version and flags
    while (const std::optional<Box> box = BoxAt(view, at, view.Size())) {
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
    const std::optional<ItemPlace> place
        = fields < 0 ? std::nullopt : ItemData(view, *iloc, idat, *primary);
    QByteArray head; // the item's fields, then its canvas's width and height
    if (!place || (place->inMeta && idat < 0))
        return std::nullopt;
    if (place->inMeta)
        head = metaBody->mid(place->offset, fields + 8);
    else if (!file.Read(place->offset, fields + 8, head))
        return std::nullopt;
    const ByteView data(head, ByteOrder::BigEndian);
    const bool wide = data.U8(1) & 1;
    if (!data.Fits(fields, wide ? 8 : 4))
        return std::nullopt;
    const qint64 width = wide ? data.U32(fields) : data.U16(fields);
    const qint64 height = wide ? data.U32(fields + 4) : data.U16(fields + 2);
    return QSize(int(std::min<qint64>(width, 1 << 30)), int(std::min<qint64>(height, 1 << 30)));
}

} // namespace gb::formats
