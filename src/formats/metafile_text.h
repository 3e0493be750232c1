#pragma once

#include "formats/byte_view.h"
#include "formats/metafile_objects.h"

#include <QFont>
#include <QFontMetricsF>
#include <vector>

namespace gb::formats {

// Turning a metafile's text and fonts into Qt's.
class MetafileText {
public:
    // The Symbol font, named or by its character set, and its text as the characters it shows.
    static bool IsSymbol(const MetafileFont& font);
    static QString FromSymbol(const QString& text);
    // Eight-bit text in the code page that the font's character set implies.
    static QString DecodeAnsi(const ByteView& bytes, quint8 charset);
    // The font at a height in picture pixels: the character height, or the cell height when
    // the font's own height is positive. Symbol text is drawn in an ordinary font.
    static QFont PictureFont(const MetafileFont& font, double pixelHeight);
    // Where each character starts along the baseline, in picture pixels; the last entry is the
    // run's width. The file's own advances win over the font's, which differ from the original.
    static std::vector<double> LayOut(const QString& text, const std::vector<double>& advances,
        const QFontMetricsF& metrics, double xScale);
    // From the reference point to the start of the baseline, for a TA_ alignment.
    static QPointF AlignmentOffset(quint32 align, double width, const QFontMetricsF& metrics);
};

} // namespace gb::formats
