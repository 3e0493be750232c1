#include "samplegen/metafile_writers.h"

#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

#include <QImage>
#include <QtEndian>

namespace gb::tools {

namespace {

    quint32 Colour(int r, int g, int b) { return quint32(r | g << 8 | b << 16); }

} // namespace

WmfWriter::WmfWriter(QRect box, int unitsPerInch)
    : box_(box)
    , unitsPerInch_(unitsPerInch)
{
}

WmfWriter& WmfWriter::AddRaw(quint16 function, const QByteArray& params)
{
    QByteArray padded = params;
    if (padded.size() % 2)
        padded.append('\0');
    const quint32 words = 3 + quint32(padded.size() / 2);
    largest_ = qMax(largest_, words);
    PutLe32(records_, words);
    PutLe16(records_, function);
    records_ += padded;
    return *this;
}

QByteArray WmfWriter::Finish(int objects) const
{
    QByteArray file;
    if (unitsPerInch_ > 0) {
        PutLe32(file, 0x9AC6CDD7);
        file += Words({ 0, box_.left(), box_.top(), box_.right() + 1, box_.bottom() + 1,
            unitsPerInch_, 0, 0 });
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= qFromLittleEndian<quint16>(file.constData() + i * 2);
        file += Words({ sum });
    }
    const QByteArray body = records_ + Words({ 3, 0, 0 });
    file += Words({ 1, 9, 0x300 });
    PutLe32(file, static_cast<quint32>(9 + body.size() / 2));
    file += Words({ objects });
    PutLe32(file, largest_);
    file += Words({ 0 });
    return file + body;
}

EmfWriter::EmfWriter(QRect frame, QRect bounds)
    : frame_(frame)
    , bounds_(bounds.isNull()
              ? QRect(0, 0, frame.width() * 96 / 2540 + 1, frame.height() * 96 / 2540 + 1)
              : bounds)
{
}

EmfWriter& EmfWriter::AddRaw(quint32 type, const QByteArray& params)
{
    QByteArray padded = params;
    while (padded.size() % 4)
        padded.append('\0');
    PutLe32(records_, type);
    PutLe32(records_, static_cast<quint32>(8 + padded.size()));
    records_ += padded;
    ++count_;
    return *this;
}

namespace {
    QByteArray Utf16(const QString& text) // little-endian, as every build host is
    {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), 2 * text.size());
    }
} // namespace

EmfWriter& EmfWriter::Font(
    qint32 slot, qint32 height, const QString& face, qint32 weight, qint32 charset)
{
    const QByteArray logFont = Dwords({ height, 0, 0, 0, weight, charset << 24, 0 }) + Utf16(face);
    return AddRaw(82, Dwords({ slot }) + logFont.leftJustified(92, 0));
}

EmfWriter& EmfWriter::Text(qint32 x, qint32 y, const QString& text)
{
    const qint32 size = static_cast<qint32>(text.size());
    // Bounds, graphics mode 1 and scales, then the EMRTEXT: the reference point, the count, the
    // string's offset from the record's start (76), no options, rectangle or spacing.
    return AddRaw(84,
        Dwords({ 0, 0, 0, 0, 1, 0, 0, x, y, size, 76, 0, 0, 0, 0, 0, 0 })
            + Utf16(text).leftJustified(12, 0));
}

QByteArray EmfWriter::Finish(int handles) const
{
    const QByteArray eof = Dwords({ 14, 20, 0, 16, 20 });
    QByteArray header
        = Dwords({ 1, 108, bounds_.left(), bounds_.top(), bounds_.right(), bounds_.bottom(),
            frame_.left(), frame_.top(), frame_.right(), frame_.bottom(), 0x464D4520, 0x10000 });
    PutLe32(header, static_cast<quint32>(108 + records_.size() + eof.size()));
    PutLe32(header, count_ + 1);
    header += Words({ handles, 0 });
    // No description, no palette; a 1920 x 1080 device of 508 x 286 mm: 96 DPI, near enough.
    header += Dwords({ 0, 0, 0, 1920, 1080, 508, 286, 0, 0, 0, 508000, 285750 });
    return header + records_ + eof;
}

QByteArray WriteSampleWmf()
{
    // 6000 x 4500 units at 1440 per inch: 400 x 300 pixels.
    WmfWriter w(QRect(0, 0, 6000, 4500), 1440);
    const auto brush = [&](quint32 colour) {
        w.AddRaw(0x02FC, Words({ 0, qint32(colour & 0xffff), qint32(colour >> 16), 0 }));
        w.Add(0x012D, { 0 }).Add(0x01F0, { 0 }); // select, then free the slot for the next
    };
    w.Add(0x020B, { 0, 0 }).Add(0x020C, { 4500, 6000 });
    w.AddRaw(0x02FA, Words({ 0, 30, 0, 0x3020, 0x10 })).Add(0x012D, { 0 }).Add(0x01F0, { 0 });
    brush(Colour(150, 200, 240));
    w.Add(0x041B, { 4500, 6000, 0, 0 });
    brush(Colour(70, 150, 60));
    w.Add(0x041B, { 4500, 6000, 3600, 0 });
    brush(Colour(240, 220, 180));
    w.Add(0x041B, { 3800, 3600, 2100, 1800 });
    brush(Colour(190, 40, 40));
    w.Add(0x0324, { 3, 1500, 2100, 2700, 900, 3900, 2100 });
    brush(Colour(255, 210, 60));
    w.Add(0x0418, { 1500, 5400, 300, 4200 });
    w.AddRaw(0x0209, Dwords({ qint32(Colour(40, 40, 90)) })).Add(0x0102, { 1 });
    QByteArray font = Words({ -480, 0, 0, 0, 700, 0, 0, 0, 0 });
    font.append("Sans Serif").append('\0');
    w.AddRaw(0x02FB, font).Add(0x012D, { 0 });
    const QByteArray text("Glimmerbox");
    w.AddRaw(0x0521, Words({ qint32(text.size()) }) + text + Words({ 3850, 300 }));
    return w.Finish(2);
}

QByteArray WriteSampleEmf()
{
    // 100 x 60 mm: about 378 x 227 pixels. Logical units are tenths of a millimetre, y up.
    EmfWriter e(QRect(0, 0, 10000, 6000));
    e.Add(17, { 2 }).Add(10, { 0, 600 }); // MM_LOMETRIC, window origin at the top
    e.Add(39, { 1, 0, qint32(Colour(250, 245, 230)), 0 }).Add(37, { 1 });
    e.Add(38, { 2, 0, 8, 0, qint32(Colour(40, 60, 120)) }).Add(37, { 2 });
    e.Add(43, { 20, 580, 980, 20 });
    e.Add(39, { 3, 0, qint32(Colour(60, 130, 200)), 0 }).Add(37, { 3 });
    e.Add(42, { 80, 520, 380, 220 });
    e.Add(39, { 1, 0, qint32(Colour(230, 120, 40)), 0 }).Add(37, { 1 });
    e.AddRaw(86, Dwords({ 0, 0, 0, 0, 3 }) + Words({ 450, 220, 700, 520, 950, 220 }));
    // A band of colour through STRETCHDIBITS, from a 4 x 1 bitmap stretched wide.
    QImage band(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        band.setPixel(x, 0, qRgb(60 * x, 200 - 40 * x, 150));
    const QByteArray dib = WriteHeaderlessDib(band, 24, 3780);
    e.AddRaw(81,
        Dwords({ 0, 0, 0, 0, 50, 150, 0, 0, 4, 1, 80, 40, 120, qint32(dib.size()) - 40, 0, 0xCC0020,
            900, -60 })
            + dib);
    return e.Finish(4);
}

} // namespace gb::tools
