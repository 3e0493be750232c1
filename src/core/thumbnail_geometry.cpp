#include "core/thumbnail_geometry.h"

#include "core/rounding.h"

#include <cmath>

namespace gb::core {

ThumbnailGeometry ComputeThumbnailGeometry(QSize natural, int tileSize)
{
    const int room = tileSize - ThumbnailMargin(tileSize);
    const int sw = std::max(0, natural.width());
    const int sh = std::max(0, natural.height());

    // The scale is deliberately single precision: its rounding error decides whether a
    // 640 x 480 picture ends up 46 or 47 pixels high, and tiles must come out the same
    // on every run and every machine.
    float r = 1.0f;
    if (room < sw || room < sh)
        r = sw > sh ? static_cast<float>(room) / static_cast<float>(sw)
                    : static_cast<float>(room) / static_cast<float>(sh);

    const int w = static_cast<int>(RoundHalfEven(static_cast<double>(sw) * static_cast<double>(r)));
    const int h = static_cast<int>(RoundHalfEven(static_cast<double>(sh) * static_cast<double>(r)));
    const int x = static_cast<int>(std::floor((tileSize - w) / 2.0));
    const int y = static_cast<int>(std::floor((tileSize - h) / 2.0));

    return { QRect(x, y, w, h), QRect(x - 1, y - 1, w + 2, h + 2) };
}

} // namespace gb::core
