#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <optional>

namespace gb::formats {

// When a picture was taken, from the Exif text of its date ("YYYY:MM:DD HH:MM:SS", the ASCII
// value of DateTimeOriginal) and of its offset from UTC ("+HH:MM" or "-HH:MM", OffsetTimeOriginal;
// empty when the file records none): milliseconds since the epoch, UTC. Without an offset the
// wall time counts as this machine's local time, as a camera's clock was most likely set to it.
// nullopt for a date that is blank, zero ("0000:00:00 00:00:00") or no real day and time; an
// offset that cannot be read is treated as absent.
std::optional<qint64> ExifDateMs(QByteArrayView date, QByteArrayView offset = {});

} // namespace gb::formats
