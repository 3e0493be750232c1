#include "formats/display_colours.h"

#include <QColorSpace>

namespace gb::formats {

QImage InDisplayColours(QImage image, const QByteArray& icc)
{
    const QColorSpace space = icc.isEmpty() ? image.colorSpace() : QColorSpace::fromIccProfile(icc);
    // sRGB primaries with a slightly different curve (a camera's sRGB profile as a table) would
    // only move the numbers by rounding: left alone.
    if (!space.isValid() || space.primaries() == QColorSpace::Primaries::SRgb)
        return image;
    if (image.format() != QImage::Format_RGB32
        && image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.setColorSpace(space);
    image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

} // namespace gb::formats
