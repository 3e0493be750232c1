#include "formats/heif_canvas.h"

#include "formats/byte_view.h"
#include "formats/heif_coded_size.h"

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
    // An 'av1C' box's fields before its configuration OBUs.
    constexpr qint64 kAv1cFields = 4;
    // What of an AV1 item's data is read for its sequence header, which leads it (after a
    // temporal delimiter at most): a few dozen bytes, more with operating points.
    constexpr qint64 kDataHead = 512;
    // The most boxes looked at in an 'iprp' box (an 'ipco' and an 'ipma' or two), and the most
    // properties: an association's index has 15 bits.
    constexpr size_t kMaxIprpBoxes = 16;
    constexpr size_t kMaxProperties = 0x7fff;

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

    // The top-level 'meta' box's body, and where the boxes within it lie.
    struct Meta {
        QByteArray body;
        Box iinf, iloc, iprp;
        qint64 idat = -1;
        std::optional<quint32> primary;
    };

    std::optional<Meta> ReadMeta(ByteSource& file)
    {
        Meta meta;
        for (const Box& box : HeifTopLevelBoxes(file)) {
            if (box.type != "meta")
                continue;
            if (box.end - box.body > kMaxMetaBytes
                || !file.Read(box.body, box.end - box.body, meta.body))
                return std::nullopt;
            break;
        }
        const ByteView view(meta.body, ByteOrder::BigEndian);
        bool found = false;
        qint64 at = 4; // past the box's version and flags
        while (const std::optional<Box> box = BoxAt(view, at, view.Size())) {
            if (box->type == "pitm")
                meta.primary
                    = view.U8(box->body) == 0 ? view.U16(box->body + 4) : view.U32(box->body + 4);
            else if (box->type == "iinf")
                meta.iinf = *box;
            else if (box->type == "iloc")
                meta.iloc = *box;
            else if (box->type == "iprp")
                meta.iprp = *box;
            else if (box->type == "idat")
                meta.idat = box->body;
            found = found || box->type == "iloc";
            at = box->end;
        }
        return found ? std::optional(std::move(meta)) : std::nullopt;
    }

    // The first `length` bytes of an item's data (fewer when its extent or the file ends first).
    QByteArray ItemHead(ByteSource& file, const Meta& meta, quint32 item, qint64 length)
    {
        const ByteView view(meta.body, ByteOrder::BigEndian);
        const std::optional<ItemPlace> place = ItemData(view, meta.iloc, meta.idat, item);
        QByteArray head;
        if (!place || (place->inMeta && meta.idat < 0))
            return head;
        if (place->inMeta)
            return meta.body.mid(place->offset, length);
        file.Read(place->offset, length, head);
        return head;
    }

    // The boxes within `parent`, at most `most` of them.
    std::vector<Box> Children(const ByteView& view, const Box& parent, size_t most)
    {
        std::vector<Box> boxes;
        std::optional<Box> box;
        for (qint64 at = parent.body; boxes.size() < most && (box = BoxAt(view, at, parent.end));
             at = box->end)
            boxes.push_back(*box);
        return boxes;
    }

    // The boxes of the 'ipco' box in `iprp`, in order: associations count them from 1.
    std::vector<Box> Properties(const ByteView& view, const Box& iprp)
    {
        for (const Box& box : Children(view, iprp, kMaxIprpBoxes))
            if (box.type == "ipco")
                return Children(view, box, kMaxProperties);
        return {};
    }

    // The indices of the properties the 'ipma' boxes in `iprp` associate with `item`.
    std::vector<int> Associations(const ByteView& view, const Box& iprp, quint32 item)
    {
        std::vector<int> indices;
        for (const Box& box : Children(view, iprp, kMaxIprpBoxes)) {
            if (box.type != "ipma")
                continue;
            const bool wideId = view.U8(box.body) >= 1, wideIndex = view.U8(box.body + 3) & 1;
            const qint64 entries = view.U32(box.body + 4);
            qint64 in = box.body + 8;
            for (qint64 i = 0; i < entries && in < box.end; ++i) {
                const quint32 id = wideId ? view.U32(in) : view.U16(in);
                in += wideId ? 4 : 2;
                const int count = view.U8(in++);
                for (int j = 0; j < count && in < box.end; ++j) {
                    const int index = wideIndex ? view.U16(in) & 0x7fff : view.U8(in) & 0x7f;
                    in += wideIndex ? 2 : 1;
                    if (id == item)
                        indices.push_back(index);
                }
            }
        }
        return indices;
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
    const std::optional<Meta> meta = ReadMeta(file);
    if (!meta || !meta->primary)
        return std::nullopt;
    const ByteView view(meta->body, ByteOrder::BigEndian);
    const QByteArray type = ItemType(view, meta->iinf, *meta->primary);
    const qint64 fields = type == "grid" ? 4 : type == "iovl" ? 10 : -1;
    // The item's fields, then its canvas's width and height.
    const QByteArray head
        = fields < 0 ? QByteArray() : ItemHead(file, *meta, *meta->primary, fields + 8);
    const ByteView data(head, ByteOrder::BigEndian);
    const bool wide = data.U8(1) & 1;
    if (!data.Fits(fields, wide ? 8 : 4))
        return std::nullopt;
    const qint64 width = wide ? data.U32(fields) : data.U16(fields);
    const qint64 height = wide ? data.U32(fields + 4) : data.U16(fields + 2);
    return QSize(int(std::min<qint64>(width, 1 << 30)), int(std::min<qint64>(height, 1 << 30)));
}

std::optional<quint32> HeifPrimaryItem(ByteSource& file)
{
    const std::optional<Meta> meta = ReadMeta(file);
    return meta ? meta->primary : std::nullopt;
}

HeifCoding HeifItemCoding(ByteSource& file, quint32 item)
{
    HeifCoding coding;
    const std::optional<Meta> meta = ReadMeta(file);
    if (!meta)
        return coding;
    const ByteView view(meta->body, ByteOrder::BigEndian);
    const std::vector<Box> properties = Properties(view, meta->iprp);
    for (const Box& property : properties) { // what the file's pictures are coded in
        coding.av1 = coding.av1 || property.type == "av1C";
        coding.hevc = coding.hevc || property.type == "hvcC";
    }
    for (const int index : Associations(view, meta->iprp, item)) {
        if (index < 1 || index > int(properties.size()))
            continue;
        const Box& property = properties[size_t(index - 1)];
        const QByteArray body = meta->body.mid(property.body, property.end - property.body);
        if (property.type == "a1lx" || property.type == "lsel" || property.type == "a1op")
            coding.layered = true;
        else if (property.type == "clap" || property.type == "irot" || property.type == "imir")
            coding.transforms += property.type + body;
        else if (property.type == "hvcC")
            coding.frame = HevcCodedSize(body);
        else if (property.type == "av1C")
            // The sequence header is in the configuration, or else leads the item's data.
            coding.frame
                = Av1CodedSize(body.mid(kAv1cFields))
                      .value_or(
                          Av1CodedSize(ItemHead(file, *meta, item, kDataHead)).value_or(QSize()));
    }
    if (coding.frame && coding.frame->isEmpty())
        coding.frame.reset();
    return coding;
}

QByteArray HeifItemHead(ByteSource& file, quint32 item, qint64 length)
{
    const std::optional<Meta> meta = ReadMeta(file);
    return meta ? ItemHead(file, *meta, item, length) : QByteArray();
}

} // namespace gb::formats
