#pragma once

#include <QByteArray>
#include <QImage>

namespace gb::formats {

// Numbers meant in another colour space than sRGB shown as they stand look wrong on a screen that
// takes them for sRGB: a wider gamut (Adobe RGB from cameras, Display P3 from phones) dull or
// garish, linear light (a raw developer's export) or another tone curve too dark or too light.
// Such a picture, grey or in colour, is converted to sRGB (in RGB32 or ARGB32_Premultiplied). A
// picture without a colour space, in sRGB, or in a space whose conversion would move no value by
// half a level (a camera's sRGB profile stored as a table) is left exactly as it is, so its pixels
// are what the file holds. `icc` is the file's embedded profile, when the decoder does not attach
// one to the image itself.
QImage InDisplayColours(QImage image, const QByteArray& icc = QByteArray());

} // namespace gb::formats
