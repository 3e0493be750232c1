#include "formats/exif_date.h"

#include <QDateTime>

namespace gb::formats {

namespace {

    // The number of `width` digits at `at`, or -1.
    int Digits(QByteArrayView text, qsizetype at, int width)
    {
        if (at + width > text.size())
            return -1;
        int value = 0;
        for (qsizetype i = at; i < at + width; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    }

    bool HasAt(QByteArrayView text, qsizetype at, char c)
    {
        return at < text.size() && text[at] == c;
    }

    // "+HH:MM" / "-HH:MM" in seconds east of UTC; nullopt when unreadable or beyond any zone.
    std::optional<int> OffsetSeconds(QByteArrayView offset)
    {
        if (offset.size() < 6 || (offset[0] != '+' && offset[0] != '-') || !HasAt(offset, 3, ':'))
            return std::nullopt;
        const int hours = Digits(offset, 1, 2), minutes = Digits(offset, 4, 2);
        if (hours < 0 || minutes < 0 || hours > 14 || minutes > 59)
            return std::nullopt;
        const int seconds = (hours * 60 + minutes) * 60;
        return offset[0] == '-' ? -seconds : seconds;
    }

} // namespace

std::optional<qint64> ExifDateMs(QByteArrayView date, QByteArrayView offset)
{
    // Writers pad or end the text with NULs; the fields themselves sit at fixed places.
    const int year = Digits(date, 0, 4), month = Digits(date, 5, 2), day = Digits(date, 8, 2);
    const int hour = Digits(date, 11, 2), minute = Digits(date, 14, 2),
              second = Digits(date, 17, 2);
    if (!HasAt(date, 4, ':') || !HasAt(date, 7, ':') || !HasAt(date, 10, ' ')
        || !HasAt(date, 13, ':') || !HasAt(date, 16, ':') || year < 1 || second < 0 || hour < 0
        || minute < 0)
        return std::nullopt;
    const QDate calendarDay(year, month, day);
    const QTime time(hour, minute, second);
    if (!calendarDay.isValid() || !time.isValid())
        return std::nullopt;
    const std::optional<int> east = OffsetSeconds(offset);
    const QDateTime taken = east ? QDateTime(calendarDay, time, Qt::OffsetFromUTC, *east)
                                 : QDateTime(calendarDay, time, Qt::LocalTime);
    if (!taken.isValid())
        return std::nullopt;
    return taken.toMSecsSinceEpoch();
}

} // namespace gb::formats
