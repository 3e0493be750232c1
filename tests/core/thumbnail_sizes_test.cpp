#include "core/thumbnail_drawing.h"
#include "samplegen/image_writers.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::core {
namespace {

    // A larger tile keeps the 64-pixel tile's rules with its margin in proportion: the picture
    // centred (offsets rounded down) in a one-pixel black frame on the button face, as sharp as
    // the screen where the source has the pixels.
    TEST(ThumbnailSizes, ALargerTileKeepsTheMarginFrameAndCentringInProportion)
    {
        // Where a 600 x 400 picture lands, worked out by hand: the room is the side less
        // side / 32, the height two thirds of it rounded half to even, centred rounding down.
        const std::tuple<int, qreal, QRect> rows[] = {
            { 64, 1, { 1, 11, 62, 41 } }, // 41.33
            { 64, 2, { 1, 11, 62, 41 } },
            { 128, 1, { 2, 22, 124, 83 } }, // 82.67, then (128 - 83) / 2 = 22.5
            { 128, 2, { 2, 22, 124, 83 } },
            { 256, 1, { 4, 45, 248, 165 } }, // 165.33, then (256 - 165) / 2 = 45.5
            { 256, 2, { 4, 45, 248, 165 } },
        };
        const QColor face(0xF0, 0xF0, 0xF0);
        for (const auto& [side, ratio, image] : rows) {
            SCOPED_TRACE(testing::Message() << side << " at " << ratio);
            const CompactTile tile = MakeCompactTile(
                tools::Solid({ 600, 400 }, Qt::red), { 600, 400 }, Qt::green, ratio, side);
            EXPECT_EQ(tile.image, image);
            EXPECT_EQ(tile.frame, image.adjusted(-1, -1, 1, 1));
            EXPECT_EQ(tile.Picture().size(), image.size() * ratio);
            QImage expected = tools::Solid({ side, side }, face);
            QPainter painter(&expected);
            painter.fillRect(image.adjusted(-1, -1, 1, 1), Qt::black);
            painter.fillRect(image, Qt::red);
            painter.end();
            EXPECT_EQ(tile.Tile(face), expected);
        }
    }

} // namespace
} // namespace gb::core
