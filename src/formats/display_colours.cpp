#include "formats/display_colours.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QRgba64>
#include <cstdlib>

namespace gb::formats {

namespace {

    // Half a level of an 8-bit channel in the 16-bit numbers a colour transform maps.
    constexpr int kHalfLevel = 257 / 2 + 1;
    // Where an ICC profile's header names the colour space of its numbers.
    constexpr qsizetype kIccDataSpaceAt = 16;

    bool Moves(const QColorTransform& toSrgb, QRgba64 colour)
    {
        const QRgba64 shown = toSrgb.map(colour);
        return std::abs(int(shown.red()) - int(colour.red())) >= kHalfLevel
            || std::abs(int(shown.green()) - int(colour.green())) >= kHalfLevel
            || std::abs(int(shown.blue()) - int(colour.blue())) >= kHalfLevel;
    }

    // Whether showing `space`'s numbers as sRGB's would put any 8-bit value off by half a level
    // or more: every grey, and for a picture in colour the mixtures of none, half and all of each
    // primary (the pure primaries alone would not tell: a wider gamut's are clipped back to
    // sRGB's). A camera's sRGB profile, its curve a table, its primaries rounded, is sRGB by this
    // measure; linear light, gamma 2.2 or Adobe RGB is not.
    bool ShowsOtherColours(const QColorSpace& space, bool grey)
    {
        const QColorTransform toSrgb = space.transformationToColorSpace(QColorSpace::SRgb);
        for (int level = 0; level <= 255; ++level) {
            const auto value = quint16(level * 257);
            if (Moves(toSrgb, qRgba64(value, value, value, 0xffff)))
                return true;
        }
        if (grey)
            return false;
        constexpr quint16 kShares[] = { 0, 0x8080, 0xffff };
        for (const quint16 red : kShares)
            for (const quint16 green : kShares)
                for (const quint16 blue : kShares)
                    if (Moves(toSrgb, qRgba64(red, green, blue, 0xffff)))
                        return true;
        return false;
    }

    // A picture in shades of grey, or one whose profile says so, stays on the grey axis.
    bool IsGrey(const QImage& image, const QColorSpace& space)
    {
        return image.format() == QImage::Format_Grayscale8
            || image.format() == QImage::Format_Grayscale16
            || space.iccProfile().mid(kIccDataSpaceAt, 4) == "GRAY";
    }

} // namespace

QImage InDisplayColours(QImage image, const QByteArray& icc)
{
    static const QColorSpace kSrgb(QColorSpace::SRgb);
    const QColorSpace space = icc.isEmpty() ? image.colorSpace() : QColorSpace::fromIccProfile(icc);
    if (!space.isValid() || space == kSrgb || !ShowsOtherColours(space, IsGrey(image, space)))
        return image;
    const bool alpha = image.hasAlphaChannel();
    const QImage::Format shown = alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    // Sixteen bits a channel are converted as such: linear light kept in eight bits first would
    // lose its shadows. Qt 6.4 converts 16-bit grey coarsely and premultiplied 16-bit wrongly.
    const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
    const QImage::Format deepFormat = alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    image.convertTo(deep ? deepFormat : shown);
    image.setColorSpace(space);
    image.convertToColorSpace(kSrgb);
    image.convertTo(shown);
    return image;
}

} // namespace gb::formats
