#include "core/load_text.h"

#include "core/rounding.h"

#include <QLocale>

namespace gb::core {

QString FileCountText(long long count)
{
    return QStringLiteral("File(s): ") + QLocale().toString(count);
}

int ProgressPercent(int index, int total)
{
    if (total <= 0)
        return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(index + 1) / total * 100.0));
}

} // namespace gb::core
