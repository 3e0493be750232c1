#include "core/caption_fit.h"

#include "core/rounding.h"

namespace gb::core {

namespace {

    // Drops the last character, never leaving half of a surrogate pair behind.
    void DropLastCharacter(QString& text)
    {
        qsizetype cut = text.size() - 1;
        if (cut > 0 && text[cut].isLowSurrogate() && text[cut - 1].isHighSurrogate())
            --cut;
        text.truncate(cut);
    }

} // namespace

QString FitCaption(const QString& name, int cellWidth, const TextWidthFunction& textWidth)
{
    const double fullRoom = RoundHalfEven(cellWidth - 15.0);
    double room = fullRoom;
    if (textWidth(name) > room)
        room = RoundHalfEven(room - textWidth(QStringLiteral("...")));

    QString caption = name;
    while (!caption.isEmpty() && textWidth(caption) > room)
        DropLastCharacter(caption);
    if (fullRoom > room)
        caption += QStringLiteral("...");
    return caption;
}

} // namespace gb::core
