#pragma once

#include <QPointF>
#include <QRgb>

namespace gb::formats {

// The sRGB colour of CIE L*a*b* values measured against `white` (its chromaticity x, y: D50 for
// most files, D65 for some), adapted to sRGB's D65 white the Bradford way, clipped to sRGB.
class CieLabToSrgb {
public:
    explicit CieLabToSrgb(QPointF white);
    QRgb Convert(double lightness, double a, double b) const;

private:
    double whiteX_ = 0, whiteZ_ = 0; // the white's X and Z, its Y being 1
    double toRgb_[3][3] {}; // from XYZ under `white` to linear sRGB
};

} // namespace gb::formats
