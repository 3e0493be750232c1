#include "formats/metafile_text.h"

#include <QStringDecoder>

namespace gb::formats {

namespace {

    constexpr quint32 kTaRight = 2, kTaCentre = 6, kTaBottom = 8, kTaBaseline = 24;
    // Text bigger than the largest picture we make is a hostile font, not a real one.
    constexpr double kMaxFontPixels = 8192;

} // namespace

QString MetafileText::DecodeAnsi(const ByteView& bytes, quint8 charset)
{
    const QByteArray raw(bytes.Data(), bytes.Size());
    const char* name = nullptr;
    switch (charset) {
    case 128:
        name = "Shift_JIS";
        break;
    case 129:
        name = "EUC-KR";
        break;
    case 134:
        name = "GBK";
        break;
    case 136:
        name = "Big5";
        break;
    case 204:
        name = "windows-1251";
        break;
    case 238:
        name = "windows-1250";
        break;
    default:
        name = "windows-1252";
        break;
    }
    QStringDecoder decoder(name);
    if (!decoder.isValid())
        return QString::fromLatin1(raw);
    return decoder.decode(raw);
}

QFont MetafileText::PictureFont(const MetafileFont& f, double wantedHeight)
{
    const double pixelHeight = qMax(1.0, qMin(wantedHeight, kMaxFontPixels));
    // Linux's stand-in for the Symbol font lacks its signs; they are drawn from an ordinary one.
    QFont font(f.face.isEmpty() || IsSymbol(f) ? QStringLiteral("Sans Serif") : f.face);
    font.setPixelSize(qRound(pixelHeight));
    font.setWeight(QFont::Weight(qBound(100, f.weight == 0 ? 400 : f.weight, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    if (f.height > 0) { // the cell height was asked for: shrink to the character height
        const QFontMetricsF metrics(font);
        if (metrics.height() > 0)
            font.setPixelSize(qMax(1, qRound(pixelHeight * pixelHeight / metrics.height())));
        // metrics.height() is at least the pixel size, so this never grows past the limit.
    }
    return font;
}

std::vector<double> MetafileText::LayOut(const QString& text, const std::vector<double>& advances,
    const QFontMetricsF& metrics, double xScale)
{
    const bool spaced = qsizetype(advances.size()) >= text.size();
    std::vector<double> offsets { 0 };
    for (qsizetype i = 0; i < text.size(); ++i)
        offsets.push_back(offsets.back()
            + (spaced ? advances[size_t(i)] * xScale : metrics.horizontalAdvance(text.at(i))));
    if (!spaced)
        offsets.back() = metrics.horizontalAdvance(text);
    return offsets;
}

QPointF MetafileText::AlignmentOffset(quint32 align, double width, const QFontMetricsF& metrics)
{
    const quint32 horizontal = align & kTaCentre, vertical = align & kTaBaseline;
    const double x = horizontal == kTaCentre ? -width / 2 : horizontal == kTaRight ? -width : 0;
    const double y = vertical == kTaBaseline ? 0
        : vertical == kTaBottom              ? -metrics.descent()
                                             : metrics.ascent();
    return QPointF(x, y);
}

} // namespace gb::formats
