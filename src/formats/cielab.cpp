#include "formats/cielab.h"

#include <algorithm>
#include <cmath>

namespace gb::formats {

namespace {

    using Matrix = double[3][3];

    // Bradford's cone responses from XYZ, and back.
    constexpr Matrix kBradford { { 0.8951, 0.2664, -0.1614 }, { -0.7502, 1.7135, 0.0367 },
        { 0.0389, -0.0685, 1.0296 } };
    constexpr Matrix kBradfordInverse { { 0.9869929, -0.1470543, 0.1599627 },
        { 0.4323053, 0.5183603, 0.0492912 }, { -0.0085287, 0.0400428, 0.9684867 } };
    // Linear sRGB from XYZ under D65, and D65 itself.
    constexpr Matrix kSrgbFromXyz { { 3.2404542, -1.5371385, -0.4985314 },
        { -0.9692660, 1.8760108, 0.0415560 }, { 0.0556434, -0.2040259, 1.0572252 } };
    constexpr double kD65[3] { 0.95047, 1.0, 1.08883 };

    void Apply(const Matrix& m, const double (&in)[3], double (&out)[3])
    {
        for (int i = 0; i < 3; ++i)
            out[i] = m[i][0] * in[0] + m[i][1] * in[1] + m[i][2] * in[2];
    }

    // L*a*b*'s cube root undone, with its straight part near black.
    double Unbend(double t)
    {
        constexpr double kDelta = 6.0 / 29.0;
        return t > kDelta ? t * t * t : 3 * kDelta * kDelta * (t - 4.0 / 29.0);
    }

    int Encoded(double linear)
    {
        const double v
            = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
        return int(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    }

} // namespace

CieLabToSrgb::CieLabToSrgb(QPointF white)
{
    const double y = white.y() > 0 ? white.y() : 1;
    const double source[3] { white.x() / y, 1.0, (1 - white.x() - white.y()) / y };
    whiteX_ = source[0];
    whiteZ_ = source[2];
    double from[3], to[3];
    Apply(kBradford, source, from);
    Apply(kBradford, kD65, to);
    // sRGB from XYZ under D65, from the cones scaled to D65's, from the cones under `white`.
    Matrix adapt {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                adapt[i][j] += kBradfordInverse[i][k] * (to[k] / from[k]) * kBradford[k][j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                toRgb_[i][j] += kSrgbFromXyz[i][k] * adapt[k][j];
}

QRgb CieLabToSrgb::Convert(double lightness, double a, double b) const
{
    const double fy = (lightness + 16) / 116;
    const double xyz[3] { whiteX_ * Unbend(fy + a / 500), Unbend(fy),
        whiteZ_ * Unbend(fy - b / 200) };
    double rgb[3];
    Apply(toRgb_, xyz, rgb);
    return qRgb(Encoded(rgb[0]), Encoded(rgb[1]), Encoded(rgb[2]));
}

} // namespace gb::formats
