#include "core/rounding.h"

#include <cmath>
#include <limits>

namespace gb::core {

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double floored = std::floor(value);
    const double fraction = value - floored;
    if (fraction > 0.5)
        return floored + 1.0;
    if (fraction < 0.5)
        return floored;
    return std::fmod(floored, 2.0) == 0.0 ? floored : floored + 1.0;
}

std::int32_t ToInt32HalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = RoundHalfEven(value);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

namespace {

    // Length of the run of ASCII digits starting at `pos`.
    qsizetype DigitRun(const QString& s, qsizetype pos)
    {
        qsizetype end = pos;
        while (end < s.size() && s[end] >= u'0' && s[end] <= u'9')
            ++end;
        return end - pos;
    }

} // namespace

double NumericPrefix(const QString& text)
{
    const QString s = text.trimmed();
    qsizetype pos = 0;
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-'))
        ++pos;
    const qsizetype intDigits = DigitRun(s, pos);
    pos += intDigits;
    qsizetype fracDigits = 0;
    if (pos < s.size() && s[pos] == u'.') {
        fracDigits = DigitRun(s, pos + 1);
        pos += 1 + fracDigits;
    }
    if (intDigits + fracDigits == 0)
        return 0.0;
    qsizetype end = pos;
    if (pos < s.size() && (s[pos] == u'e' || s[pos] == u'E')) {
        qsizetype expPos = pos + 1;
        if (expPos < s.size() && (s[expPos] == u'+' || s[expPos] == u'-'))
            ++expPos;
        const qsizetype expDigits = DigitRun(s, expPos);
        if (expDigits > 0)
            end = expPos + expDigits;
    }
    bool ok = false;
    const double value = s.left(end).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace gb::core
