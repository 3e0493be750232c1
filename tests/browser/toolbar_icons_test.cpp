#include "browser/application_icon.h"
#include "browser/toolbar_icons.h"

#include <QImage>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::browser {
namespace {

    const QStringList kKeys = { "Browse", "Rename", "Exit", "Refresh", "View", "Delete",
        "SelectAll", "Help", "About", "Slide" };

    QImage Image(const QIcon& icon, int size, QIcon::Mode mode)
    {
        return icon.pixmap(QSize(size, size), mode)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }

    // Opaque pixels, and the mean and greatest saturation of the solid ones.
    std::tuple<int, double, int> Stats(const QImage& image)
    {
        double sum = 0;
        int opaque = 0, solid = 0, most = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = QColor::fromRgba(image.pixel(x, y));
                const int saturation = colour.alpha() >= 200 ? colour.hsvSaturation() : 0;
                opaque += colour.alpha() > 128;
                solid += colour.alpha() >= 200;
                sum += saturation;
                most = std::max(most, saturation);
            }
        return { opaque, sum / std::max(solid, 1), most };
    }

    // One size is enough to catch a broken drawing; the others come from the same painter.
    TEST(ToolbarIcon, EveryKeyHasItsOwnReadableArtAndItsHoverAndGreyedForms)
    {
        QList<QImage> seen;
        for (const QString& key : kKeys) {
            SCOPED_TRACE(key.toStdString());
            const QIcon icon = ToolbarIcon(key);
            const QImage normal = Image(icon, 24, QIcon::Normal);
            const QImage disabled = Image(icon, 24, QIcon::Disabled);
            EXPECT_FALSE(seen.contains(normal)) << "repeats another icon";
            seen << normal;
            EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
            const auto [opaque, meanSaturation, most] = Stats(normal);
            EXPECT_GT(opaque, 24 * 24 / 5); // not a few specks, unreadable on the button
            EXPECT_GT(std::get<1>(Stats(Image(icon, 24, QIcon::Active))), meanSaturation);
            // Greyed, yet the same amount of shape as the enabled image.
            EXPECT_TRUE(
                std::get<2>(Stats(disabled)) < 10 && std::get<0>(Stats(disabled)) == opaque);
        }
        EXPECT_TRUE(ToolbarIcon("browse").isNull()); // keys match exactly
    }

    TEST(ApplicationIcon, EveryListedSizeHasTransparentCornersAndOpaqueCentre)
    {
        const QIcon icon = ApplicationIcon();
        for (const int size : { 16, 256 }) {
            SCOPED_TRACE(size);
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
            const QImage image = Image(icon, size, QIcon::Normal);
            const int last = size - 1;
            for (const QPoint corner :
                { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) })
                EXPECT_EQ(qAlpha(image.pixel(corner)), 0);
            EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        }
        EXPECT_TRUE(DrawApplicationIcon(0).isNull());
    }

} // namespace
} // namespace gb::browser
