#include "samplegen/raw_writers.h"

#include "samplegen/image_writers.h"

#include <QDataStream>
#include <QIODevice>
#include <QList>
#include <algorithm>

namespace gb::tools {

namespace {

    enum FieldType : quint16 { kByte = 1, kAscii = 2, kShort = 3, kLong = 4 };
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
            type == kLong        ? out << value
                : type == kShort ? out << quint16(value)
                                 : out << quint8(value);
        return { tag, type, quint32(values.size()), bytes };
    }

    Field Text(quint16 tag, const char* text)
    {
        const QByteArray bytes = QByteArray(text) + '\0';
        return { tag, kAscii, quint32(bytes.size()), bytes };
    }

    quint32 DirectoryBytes(const QList<Field>& fields)
    {
        return 2 + kEntryBytes * quint32(fields.size()) + 4;
    }

    // The directory at `at`, sorted by tag; values over four bytes go to the end of `values`,
    // which starts at file offset `valuesAt`.
    QByteArray Directory(QList<Field> fields, quint32 valuesAt, QByteArray& values)
    {
        std::sort(fields.begin(), fields.end(),
            [](const Field& a, const Field& b) { return a.tag < b.tag; });
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out << quint16(fields.size());
        for (const Field& field : fields) {
            out << field.tag << field.type << field.count;
            if (field.value.size() <= 4) {
                out.writeRawData(field.value.leftJustified(4, '\0').constData(), 4);
                continue;
            }
            out << quint32(valuesAt + values.size());
            values += field.value;
            if (values.size() % 2)
                values += '\0';
        }
        out << quint32(0); // no next directory
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
        case RawKind::Dng:
            break;
        }
        return { "Canon", "Canon EOS 350D", tiff };
    }

} // namespace

QByteArray WriteCameraRaw(const CameraRaw& raw)
{
    const Camera camera = CameraOf(raw.kind);
    const bool dng = raw.kind == RawKind::Dng;
    const QByteArray jpeg = WriteJpeg(raw.preview, kJpegQuality, raw.orientation);
    const QByteArray sensor = SensorPixels(raw.sensor);
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
    const quint32 firstAt = quint32(camera.header.size());
    const quint32 secondAt = firstAt + DirectoryBytes(first);
    const quint32 valuesAt = secondAt + DirectoryBytes(second);
    // Where the pictures go hangs on how long the values are, which offsets do not change.
    QByteArray values;
    Directory(first, valuesAt, values);
    Directory(second, valuesAt, values);
    const quint32 jpegAt = valuesAt + quint32(values.size());
    const auto place = [](QList<Field>& fields, quint16 tag, quint32 offset) {
        for (Field& field : fields)
            if (field.tag == tag)
                field = Numbers(tag, kLong, { offset });
    };
    place(first, 273, jpegAt);
    place(first, 330, secondAt);
    place(second, 273, jpegAt + quint32(jpeg.size()));
    values.clear();
    QByteArray file = camera.header + Directory(first, valuesAt, values);
    file += Directory(second, valuesAt, values);
    return file + values + jpeg + sensor;
}

} // namespace gb::tools
