#include "browser/application_icon.h"
#include "browser/toolbar_icons.h"

#include <QImage>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

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

    int CountOpaque(const QImage& image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        return count;
    }

    // Mean and greatest saturation of the solid pixels: the hue of a faint edge is noise.
    std::pair<double, int> Saturation(const QImage& image)
    {
        double sum = 0;
        int solid = 0, most = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = QColor::fromRgba(image.pixel(x, y));
                solid += colour.alpha() >= 200;
                sum += colour.alpha() >= 200 ? colour.hsvSaturation() : 0;
                most = std::max(most, colour.alpha() >= 200 ? colour.hsvSaturation() : 0);
            }
        return { sum / std::max(solid, 1), most };
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
            // A drawing that is a few specks would be unreadable on the button.
            EXPECT_GT(CountOpaque(normal), 24 * 24 / 5);
            EXPECT_GT(Saturation(Image(icon, 24, QIcon::Active)).first, Saturation(normal).first);
            // Greyed, yet the same amount of shape as the enabled image.
            EXPECT_LT(Saturation(disabled).second, 10);
            EXPECT_EQ(CountOpaque(disabled), CountOpaque(normal));
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
        const QImage badge = StatusBarBadge().toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(badge, DrawApplicationIcon(16).convertToFormat(QImage::Format_ARGB32));
    }

} // namespace
} // namespace gb::browser
