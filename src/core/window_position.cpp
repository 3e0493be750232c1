#include "core/window_position.h"

#include "core/rounding.h"

#include <QStringList>
#include <array>
#include <cmath>

namespace gb::core {

WindowPlacement ParseWindowPosition(const QString& stored, const WindowPlacement& current)
{
    std::array<int, 4> values { current.left, current.top, current.width, current.height };
    if (!stored.isEmpty()) {
        const QStringList entries = stored.split(QStringLiteral(", "));
        for (qsizetype i = 0; i < 4 && i < entries.size(); ++i) {
            if (!entries[i].isEmpty())
                values[static_cast<size_t>(i)] = ToInt32HalfEven(NumericPrefix(entries[i]));
        }
    }
    return { values[0], values[1], values[2], values[3] };
}

QString FormatWindowPosition(const WindowPlacement& placement)
{
    return QStringLiteral("%1, %2, %3, %4")
        .arg(placement.left)
        .arg(placement.top)
        .arg(placement.width)
        .arg(placement.height);
}

std::optional<bool> ParseBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    // A finite number only: Qt also reads "nan" and "inf", which no program stores as a flag.
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (ok && std::isfinite(number))
        return number != 0.0;
    return std::nullopt;
}

} // namespace gb::core
