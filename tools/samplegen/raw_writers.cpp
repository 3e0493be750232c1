#include "samplegen/raw_writers.h"

#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

#include <QDataStream>
#include <QIODevice>
#include <QList>
#include <algorithm>

namespace gb::tools {

namespace {

    enum FieldType : quint16 { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };
    constexpr quint32 kEntryBytes = 12;
    constexpr quint16 kBright = 3000, kDark = 300; // of the sensor's 12 bits
    constexpr int kJpegQuality = 95;

    // One TIFF field, its value already in little-endian bytes.
    struct Field {
        quint16 tag;
        quint16 type;
        quint32 count;
        QByteArray value;
    };

    Field Numbers(quint16 tag, quint16 type, QList<quint32> values)
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        for (const quint32 value : values)
            type == kLong || type == kRational ? out << value
                : type == kShort               ? out << quint16(value)
                                               : out << quint8(value);
        return { tag, type, quint32(values.size() / (type == kRational ? 2 : 1)), bytes };
    }

    Field Text(quint16 tag, const char* text)
    {
        const QByteArray bytes = QByteArray(text) + '\0';
        return { tag, kAscii, quint32(bytes.size()), bytes };
    }

    // A BigTIFF's directory counts in eight bytes, and its fields hold eight bytes of value.
    quint32 DirectoryBytes(const QList<Field>& fields, bool big = false)
    {
        return big ? 8 + 20 * quint32(fields.size()) + 8
                   : 2 + kEntryBytes * quint32(fields.size()) + 4;
    }

    // The directory at `at`, sorted by tag; values over four bytes (eight in a BigTIFF) go to
    // the end of `values`, which starts at file offset `valuesAt`.
    QByteArray Directory(
        QList<Field> fields, quint32 valuesAt, QByteArray& values, bool big = false)
    {
        const int inside = big ? 8 : 4;
        std::sort(fields.begin(), fields.end(),
            [](const Field& a, const Field& b) { return a.tag < b.tag; });
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        big ? out << quint64(fields.size()) : out << quint16(fields.size());
        for (const Field& field : fields) {
            out << field.tag << field.type;
            big ? out << quint64(field.count) : out << field.count;
            if (field.value.size() <= inside) {
                out.writeRawData(field.value.leftJustified(inside, '\0').constData(), inside);
                continue;
            }
            big ? out << quint64(valuesAt + values.size())
                : out << quint32(valuesAt + values.size());
            values += field.value;
            if (values.size() % 2)
                values += '\0';
        }
        big ? out << quint64(0) : out << quint32(0); // no next directory
        return bytes;
    }

    QByteArray SensorPixels(QSize sensor)
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        for (int y = 0; y < sensor.height(); ++y)
            for (int x = 0; x < sensor.width(); ++x)
                out << (x < sensor.width() / 2 && y < sensor.height() / 2 ? kBright : kDark);
        return bytes;
    }

    struct Camera {
        const char* make;
        const char* model;
        QByteArray header; // up to the first directory
    };

    Camera CameraOf(RawKind kind)
    {
        const QByteArray tiff("II*\0\x08\0\0\0", 8);
        switch (kind) {
        case RawKind::Nef:
            return { "NIKON CORPORATION", "NIKON D70", tiff };
        case RawKind::Arw:
            return { "SONY", "DSLR-A100", tiff };
        case RawKind::Cr2:
            return { "Canon", "Canon EOS 350D DIGITAL",
                QByteArray("II*\0\x10\0\0\0CR\x02\0\0\0\0\0", 16) };
        case RawKind::Orf:
            return { "OLYMPUS IMAGING CORP.", "E-500", QByteArray("IIRO\x08\0\0\0", 8) };
        case RawKind::Cr3:
            return { "Canon", "Canon EOS M50", {} };
        case RawKind::Dng:
            break;
        }
        return { "Canon", "Canon EOS 350D", tiff };
    }

    // An ISO base media box: its size, its type and what it holds.
    QByteArray Box(const char* type, const QByteArray& content)
    {
        QByteArray box;
        PutBe32(box, quint32(8 + content.size()));
        return box + QByteArray(type, 4) + content;
    }

    // A video track of Canon's: one CRAW sample description (`size` in its fixed part, then
    // `entry`), and one sample of `length` bytes at `offset`.
    QByteArray CrawTrack(QSize size, const QByteArray& entry, quint32 offset, quint32 length)
    {
        QByteArray handler(8, '\0');
        handler += QByteArray("vide", 4) + QByteArray(13, '\0');
        QByteArray description(82, '\0'); // as a visual sample entry, then Canon's four bytes
        SetBe16(description, 24, quint32(size.width()));
        SetBe16(description, 26, quint32(size.height()));
        QByteArray descriptions(4, '\0');
        PutBe32(descriptions, 1);
        descriptions += Box("CRAW", description + entry);
        QByteArray sizes(4, '\0');
        PutBe32(sizes, length);
        PutBe32(sizes, 1);
        QByteArray offsets(4, '\0');
        PutBe32(offsets, 1);
        PutBe32(offsets, 0);
        PutBe32(offsets, offset);
        const QByteArray table
            = Box("stsd", descriptions) + Box("stsz", sizes) + Box("co64", offsets);
        return Box("trak", Box("mdia", Box("hdlr", handler) + Box("minf", Box("stbl", table))));
    }

    // The sensor data's header: 14 bits in four planes behind an RGGB filter, in one tile.
    QByteArray SensorHeader(QSize sensor)
    {
        QByteArray header;
        PutBe32(header, 0);
        PutBe32(header, 0x0100'0000); // version 1.0
        PutBe32(header, quint32(sensor.width()));
        PutBe32(header, quint32(sensor.height()));
        PutBe32(header, quint32(sensor.width()));
        PutBe32(header, quint32(sensor.height()));
        PutBe32(header, 0x0e40'0000); // bits, planes and filter, coding, levels, tiling
        PutBe32(header, 24); // the header each sample starts with
        return header + QByteArray(8, '\0');
    }

    // An ISO base media file as Canon's cameras write it: Canon's box in the movie box holds
    // the first TIFF directory (CMT1); the first track the JPEG preview, the second the sensor
    // data, which would follow the preview in the media box but is cut out, the file ending
    // there, as in cameras' files cut short (LibRaw 0.20 reads data it cannot decode wildly).
    QByteArray WriteCr3(const CameraRaw& raw)
    {
        const Camera camera = CameraOf(raw.kind);
        const QByteArray jpeg = WriteJpeg(raw.preview, kJpegQuality, raw.orientation);
        QByteArray values;
        const QList<Field> first { Numbers(256, kLong, { quint32(raw.preview.width()) }),
            Numbers(257, kLong, { quint32(raw.preview.height()) }), Text(271, camera.make),
            Text(272, camera.model), Numbers(274, kShort, { quint32(raw.orientation) }) };
        const QByteArray tiff = QByteArray("II*\0\x08\0\0\0", 8);
        const QByteArray directory = Directory(first, 8 + DirectoryBytes(first), values);
        const QByteArray canon = QByteArray::fromHex("85c0b687820f11e08111f4ce462b6a48")
            + Box("CMT1", tiff + directory + values);
        const QByteArray head = Box("ftyp", QByteArray("crx \0\0\0\x01crx isom", 16));
        const quint32 sensorBytes = quint32(24 + raw.sensor.width() * raw.sensor.height() * 2);
        const auto movie = [&](quint32 jpegAt) {
            return Box("moov",
                Box("uuid", canon)
                    + CrawTrack(raw.preview.size(), Box("JPEG", QByteArray(4, '\0')), jpegAt,
                        quint32(jpeg.size()))
                    + CrawTrack(raw.sensor, Box("CMP1", SensorHeader(raw.sensor)),
                        jpegAt + quint32(jpeg.size()), sensorBytes));
        };
        const quint32 jpegAt = quint32(head.size() + movie(0).size() + 8);
        return head + movie(jpegAt) + Box("mdat", jpeg);
    }

} // namespace

QByteArray WriteCameraRaw(const CameraRaw& raw)
{
    if (raw.kind == RawKind::Cr3)
        return WriteCr3(raw);
    const Camera camera = CameraOf(raw.kind);
    const bool dng = raw.kind == RawKind::Dng;
    const QByteArray jpeg = WriteJpeg(raw.preview, kJpegQuality, raw.orientation);
    const QByteArray sensor = raw.sensorStripped ? QByteArray(22, '\0') : SensorPixels(raw.sensor);
    // The first directory holds the preview, as the cameras' files do; the sensor data's follows.
    QList<Field> first { Numbers(254, kLong, { 1 }),
        Numbers(256, kLong, { quint32(raw.preview.width()) }),
        Numbers(257, kLong, { quint32(raw.preview.height()) }), Numbers(258, kShort, { 8, 8, 8 }),
        Numbers(259, kShort, { dng ? 7u : 6u }), Numbers(262, kShort, { 6 }),
        Text(271, camera.make), Text(272, camera.model), Numbers(273, kLong, { 0 }),
        Numbers(274, kShort, { quint32(raw.orientation) }), Numbers(277, kShort, { 3 }),
        Numbers(279, kLong, { quint32(jpeg.size()) }), Numbers(330, kLong, { 0 }) };
    if (dng)
        first << Numbers(50706, kByte, { 1, 4, 0, 0 }) << Text(50708, camera.model);
    QList<Field> second { Numbers(254, kLong, { 0 }),
        Numbers(256, kLong, { quint32(raw.sensor.width()) }),
        Numbers(257, kLong, { quint32(raw.sensor.height()) }), Numbers(258, kShort, { 16 }),
        Numbers(259, kShort, { 1 }), Numbers(262, kShort, { 32803 }), Numbers(273, kLong, { 0 }),
        Numbers(277, kShort, { 1 }), Numbers(278, kLong, { quint32(raw.sensor.height()) }),
        Numbers(279, kLong, { quint32(sensor.size()) }), Numbers(33421, kShort, { 2, 2 }),
        Numbers(33422, kByte, { 0, 1, 1, 2 }) };
    if (dng)
        second << Numbers(50717, kLong, { 4095 });
    const quint16 sensorAt = raw.sensorStripped ? 324 : 273;
    if (raw.sensorStripped) {
        second.removeIf(
            [](const Field& f) { return f.tag == 259 || (f.tag >= 273 && f.tag <= 279); });
        second << Numbers(259, kShort, { 7 }) << Numbers(277, kShort, { 1 })
               << Numbers(322, kLong, { 16 }) << Numbers(323, kLong, { 16 })
               << Numbers(324, kLong, { 0 }) << Numbers(325, kLong, { quint32(sensor.size()) });
    }
    QList<Field> exif;
    if (raw.taken)
        exif << Text(36867, raw.taken);
    if (raw.takenOffset)
        exif << Text(36881, raw.takenOffset);
    if (!exif.isEmpty())
        first << Numbers(34665, kLong, { 0 });
    const quint32 firstAt = quint32(camera.header.size());
    const quint32 secondAt = firstAt + DirectoryBytes(first);
    const quint32 exifAt = secondAt + DirectoryBytes(second);
    const quint32 valuesAt = exifAt + (exif.isEmpty() ? 0 : DirectoryBytes(exif));
    // Where the pictures go hangs on how long the values are, which offsets do not change.
    QByteArray values;
    Directory(first, valuesAt, values);
    Directory(second, valuesAt, values);
    Directory(exif, valuesAt, values);
    const quint32 jpegAt = valuesAt + quint32(values.size());
    const auto place = [](QList<Field>& fields, quint16 tag, quint32 offset) {
        for (Field& field : fields)
            if (field.tag == tag)
                field = Numbers(tag, kLong, { offset });
    };
    place(first, 273, jpegAt);
    place(first, 330, secondAt);
    place(first, 34665, exifAt);
    place(second, sensorAt, jpegAt + quint32(jpeg.size()));
    values.clear();
    QByteArray file = camera.header + Directory(first, valuesAt, values);
    file += Directory(second, valuesAt, values);
    if (!exif.isEmpty())
        file += Directory(exif, valuesAt, values);
    return file + values + jpeg + sensor;
}

namespace {

    // One image of a TIFF: its directory's fields and its data, strips or a JPEG; the offsets of
    // its strips (StripOffsets or JPEGInterchangeFormat) are given from the start of its data.
    struct TiffPart {
        QList<Field> fields;
        QByteArray data;
        QList<quint32> dataAt { 0 };
        bool subIfd = false;
    };

    // The samples of `image`'s pixels as `samples` says: interleaved, or a plane each.
    QByteArray SampleBytes(const QImage& image, const TiffSamples& samples, int count)
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        const auto put = [&](int value) {
            samples.bits == 16 ? out << quint16(value * 257) : out << quint8(value);
        };
        const auto sample = [&](QRgb pixel, int which) {
            return count == 1 ? qGray(pixel)
                : which == 0  ? qRed(pixel)
                : which == 1  ? qGreen(pixel)
                              : qBlue(pixel);
        };
        for (int plane = 0; plane < (samples.planar ? count : 1); ++plane)
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    for (int which = 0; which < (samples.planar ? 1 : count); ++which)
                        put(sample(image.pixel(x, y), samples.planar ? plane : which));
        return bytes;
    }

    TiffPart Strips(const QImage& image, quint32 subfileType, const TiffSamples& samples = {})
    {
        using Kind = TiffSamples::Kind;
        const int count = samples.kind == Kind::Grey ? 1 : 3;
        const quint32 photometric = samples.kind == Kind::Grey ? 1
            : samples.kind == Kind::CieLab                     ? 8
                                                               : 2;
        const QByteArray data = SampleBytes(image, samples, count);
        const int planes = samples.planar ? count : 1;
        const auto planeBytes = quint32(data.size() / planes);
        TiffPart part { { Numbers(254, kLong, { subfileType }),
                            Numbers(256, kLong, { quint32(image.width()) }),
                            Numbers(257, kLong, { quint32(image.height()) }),
                            Numbers(258, kShort, QList<quint32>(count, quint32(samples.bits))),
                            Numbers(259, kShort, { 1 }), Numbers(262, kShort, { photometric }),
                            Numbers(273, kLong, QList<quint32>(planes, 0)),
                            Numbers(277, kShort, { quint32(count) }),
                            Numbers(278, kLong, { quint32(image.height()) }),
                            Numbers(279, kLong, QList<quint32>(planes, planeBytes)),
                            Numbers(284, kShort, { samples.planar ? 2u : 1u }) },
            data, {} };
        for (int plane = 0; plane < planes; ++plane)
            part.dataAt << quint32(plane) * planeBytes;
        if (samples.make)
            part.fields << Text(271, samples.make);
        if (samples.whiteD65)
            part.fields << Numbers(318, kRational, { 3127, 10000, 3290, 10000 });
        return part;
    }

    // The parts laid out in turn, each directory followed by its values and its data; the
    // offsets `at` gives (directories, then data) are filled in.
    QByteArray LayOut(QList<TiffPart> parts, QList<quint32>& at, bool big)
    {
        QByteArray file = big ? QByteArray("II+\0\x08\0\0\0\x10\0\0\0\0\0\0\0", 16)
                              : QByteArray("II*\0\x08\0\0\0", 8);
        QList<quint32> subIfds, placed;
        for (int i = 1; i < parts.size(); ++i)
            if (parts[i].subIfd)
                subIfds << at.value(i);
        if (!subIfds.isEmpty())
            parts[0].fields << Numbers(330, kLong, subIfds);
        qsizetype previousNext = -1;
        for (int i = 0; i < parts.size(); ++i) {
            TiffPart& part = parts[i];
            const auto directoryAt = quint32(file.size());
            const quint32 valuesAt = directoryAt + DirectoryBytes(part.fields, big);
            QByteArray values;
            Directory(part.fields, valuesAt, values, big);
            QList<quint32> dataAt;
            for (const quint32 offset : part.dataAt)
                dataAt << valuesAt + quint32(values.size()) + offset;
            for (Field& field : part.fields)
                if (field.tag == 273 || field.tag == 513)
                    field = Numbers(field.tag, kLong, dataAt);
            values.clear();
            const QByteArray directory = Directory(part.fields, valuesAt, values, big);
            // The low four bytes of a BigTIFF's eight-byte offset, little-endian.
            if (!part.subIfd && previousNext >= 0)
                SetLe32(file, previousNext, directoryAt);
            if (!part.subIfd)
                previousNext = file.size() + directory.size() - (big ? 8 : 4);
            placed << directoryAt;
            file += directory + values + part.data;
        }
        at = placed;
        return file;
    }

} // namespace

QByteArray WriteTiff(const QImage& picture, const QList<TiffCopy>& copies, int orientation,
    const TiffSamples& samples)
{
    QList<TiffPart> parts { Strips(picture, 0, samples) };
    parts[0].fields << Numbers(274, kShort, { quint32(orientation) });
    for (const TiffCopy& copy : copies) {
        if (copy.kind == TiffCopy::Kind::ExifJpeg) {
            const QByteArray jpeg = WriteJpeg(copy.image, kJpegQuality);
            parts << TiffPart { { Numbers(259, kShort, { 6 }), Numbers(513, kLong, { 0 }),
                                    Numbers(514, kLong, { quint32(jpeg.size()) }) },
                jpeg };
            continue;
        }
        parts << Strips(copy.image, 1);
        parts.last().subIfd = copy.kind == TiffCopy::Kind::SubIfd;
    }
    // The directories' places hang only on the values' lengths: a first layout finds them.
    QList<quint32> at;
    LayOut(parts, at, samples.bigTiff);
    return LayOut(parts, at, samples.bigTiff);
}

} // namespace gb::tools
