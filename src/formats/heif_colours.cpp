#include "formats/heif_colours.h"

#include <QPointF>
#include <algorithm>
#include <libheif/heif.h>
#include <memory>
#include <optional>

namespace gb::formats {

namespace {

    struct NclxFree {
        void operator()(heif_color_profile_nclx* codes) const
        {
            heif_nclx_color_profile_free(codes);
        }
    };

    struct Primaries {
        int code;
        QPointF red, green, blue, white;
    };

    constexpr int kBt709 = 1, kUnnamed = 2;
    const QPointF kD65(0.3127, 0.3290);
    // ITU-T H.273's table of colour primaries, those with a white Qt can adapt from.
    const Primaries kPrimaries[] = {
        { kBt709, { 0.64, 0.33 }, { 0.30, 0.60 }, { 0.15, 0.06 }, kD65 }, // sRGB's
        { 5, { 0.64, 0.33 }, { 0.29, 0.60 }, { 0.15, 0.06 }, kD65 },
        { 6, { 0.630, 0.340 }, { 0.310, 0.595 }, { 0.155, 0.070 }, kD65 },
        { 7, { 0.630, 0.340 }, { 0.310, 0.595 }, { 0.155, 0.070 }, kD65 },
        { 9, { 0.708, 0.292 }, { 0.170, 0.797 }, { 0.131, 0.046 }, kD65 },
        { 11, { 0.680, 0.320 }, { 0.265, 0.690 }, { 0.150, 0.060 }, { 0.314, 0.351 } },
        { 12, { 0.680, 0.320 }, { 0.265, 0.690 }, { 0.150, 0.060 }, kD65 },
        { 22, { 0.630, 0.340 }, { 0.295, 0.605 }, { 0.155, 0.077 }, kD65 },
    };

    struct Curve {
        QColorSpace::TransferFunction function;
        float gamma = 0.0f;
    };

    std::optional<Curve> CurveOf(int code)
    {
        switch (code) {
        case 1: // BT.709
        case 2: // unnamed
        case 6: // BT.601
        case 13: // sRGB
        case 14: // BT.2020, 10 bits
        case 15: // BT.2020, 12 bits
            return Curve { QColorSpace::TransferFunction::SRgb };
        case 4:
            return Curve { QColorSpace::TransferFunction::Gamma, 2.2f };
        case 5:
            return Curve { QColorSpace::TransferFunction::Gamma, 2.8f };
        case 8:
            return Curve { QColorSpace::TransferFunction::Linear };
        default:
            return std::nullopt;
        }
    }

} // namespace

QColorSpace ColourCodeSpace(int primaries, int curve)
{
    primaries = primaries == kUnnamed ? kBt709 : primaries; // as a screen takes them
    const auto* named = std::find_if(std::begin(kPrimaries), std::end(kPrimaries),
        [primaries](const Primaries& p) { return p.code == primaries; });
    const auto shape = CurveOf(curve);
    if (named == std::end(kPrimaries) || !shape
        || (primaries == kBt709 && shape->function == QColorSpace::TransferFunction::SRgb))
        return QColorSpace();
    return QColorSpace(
        named->white, named->red, named->green, named->blue, shape->function, shape->gamma);
}

QColorSpace ColourCodeSpace(const heif_image_handle* handle)
{
    heif_color_profile_nclx* raw = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok || !raw)
        return QColorSpace();
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> codes(raw);
    return ColourCodeSpace(codes->color_primaries, codes->transfer_characteristics);
}

} // namespace gb::formats
