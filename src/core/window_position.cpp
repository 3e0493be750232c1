#include "core/window_position.h"

#include "core/rounding.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

namespace gb::core {

namespace {
    // What a person needs of a window to reach it: the whole title bar (its buttons sit at the
    // ends), with this much of the window below it.
    constexpr int kUsableSize = 100;

    // How many of the title bar's columns the screens show, with the usable strip below them.
    int ShownColumns(const QRect& outer, const QList<QRect>& screens)
    {
        const int stripBottom = outer.top() + std::min(outer.height(), kUsableSize) - 1;
        QList<std::pair<int, int>> spans; // first and last column, on the screens holding the strip
        for (const QRect& screen : screens) {
            if (screen.top() <= outer.top() && stripBottom <= screen.bottom())
                spans.append({ std::max(screen.left(), outer.left()),
                    std::min(screen.right(), outer.right()) });
        }
        std::sort(spans.begin(), spans.end());
        int shown = 0;
        int next = outer.left(); // the first column not yet counted
        for (const auto& [first, last] : spans) {
            const int from = std::max(first, next);
            if (last >= from) {
                shown += last - from + 1;
                next = last + 1;
            }
        }
        return shown;
    }

    // The screen showing most of `outer`; when none shows any, the one nearest to its middle.
    QRect HomeScreen(const QRect& outer, const QList<QRect>& screens)
    {
        const auto shown = [&](const QRect& screen) {
            const QRect common = screen.intersected(outer);
            return qint64(common.width()) * common.height();
        };
        const auto distance = [&](const QRect& screen) {
            const QPoint middle = outer.center();
            const qint64 dx = middle.x() - std::clamp(middle.x(), screen.left(), screen.right());
            const qint64 dy = middle.y() - std::clamp(middle.y(), screen.top(), screen.bottom());
            return dx * dx + dy * dy;
        };
        return *std::min_element(
            screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
                return std::pair(-shown(a), distance(a)) < std::pair(-shown(b), distance(b));
            });
    }
} // namespace

QRect KeepReachable(const QRect& outer, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return outer;
    QRect desktop;
    for (const QRect& screen : screens)
        desktop |= screen;
    const bool fits = outer.width() <= desktop.width() && outer.height() <= desktop.height();
    if (fits && ShownColumns(outer, screens) >= outer.width())
        return outer;
    const QRect screen = HomeScreen(outer, screens);
    QRect moved(outer.topLeft(), outer.size().boundedTo(screen.size()));
    moved.moveLeft(std::clamp(moved.left(), screen.left(), screen.right() + 1 - moved.width()));
    moved.moveTop(std::clamp(moved.top(), screen.top(), screen.bottom() + 1 - moved.height()));
    return moved;
}

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
