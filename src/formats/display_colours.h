#pragma once

#include <QByteArray>
#include <QImage>

namespace gb::formats {

// Numbers meant in a wider colour space (Adobe RGB from cameras, Display P3 from phones) shown as
// they stand look dull or garish on a screen that takes them for sRGB: such a picture is
// converted to sRGB. A picture without a colour space, or in sRGB already, is left exactly as it
// is, so its pixels are what the file holds. `icc` is the file's embedded profile, when the
// decoder does not attach one to the image itself.
QImage InDisplayColours(QImage image, const QByteArray& icc = QByteArray());

} // namespace gb::formats
