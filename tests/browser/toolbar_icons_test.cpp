#include "browser/application_icon.h"
#include "browser/toolbar_icons.h"

#include <QImage>
#include <QSet>
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

    // Saturation of the solid pixels only: the hue of a faint anti-aliased edge is noise.
    struct Colourfulness {
        double mean = 0;
        int most = 0;
    };

    Colourfulness MeasureSaturation(const QImage& image)
    {
        Colourfulness result;
        int solid = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = QColor::fromRgba(image.pixel(x, y));
                if (colour.alpha() < 200)
                    continue;
                ++solid;
                result.mean += colour.hsvSaturation();
                result.most = std::max(result.most, colour.hsvSaturation());
            }
        result.mean /= std::max(solid, 1);
        return result;
    }

    TEST(ToolbarIcon, EveryKeyHasItsOwnArtInEachModeAndToolbarSize)
    {
        QList<QImage> seen;
        for (const QString& key : kKeys) {
            SCOPED_TRACE(key.toStdString());
            const QIcon icon = ToolbarIcon(key);
            ASSERT_FALSE(icon.isNull());
            EXPECT_FALSE(seen.contains(Image(icon, 24, QIcon::Normal))) << "repeats another icon";
            seen << Image(icon, 24, QIcon::Normal);
            for (const int size : { 16, 24, 32 }) {
                SCOPED_TRACE(size);
                EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
                const QImage normal = Image(icon, size, QIcon::Normal);
                const QImage hover = Image(icon, size, QIcon::Active);
                const QImage disabled = Image(icon, size, QIcon::Disabled);
                ASSERT_EQ(normal.size(), QSize(size, size));
                // A drawing that is a few specks would be unreadable on the button.
                EXPECT_GT(CountOpaque(normal), size * size / 5);
                EXPECT_NE(normal, hover);
                EXPECT_GT(MeasureSaturation(hover).mean, MeasureSaturation(normal).mean);
                // Greyed, yet the same amount of shape as the enabled image.
                EXPECT_LT(MeasureSaturation(disabled).most, 10);
                EXPECT_EQ(CountOpaque(disabled), CountOpaque(normal));
            }
        }
        for (const char* unknown : { "Slideshow", "browse", "" }) // keys match exactly
            EXPECT_TRUE(ToolbarIcon(unknown).isNull()) << unknown;
    }

    TEST(ApplicationIcon, EveryListedSizeHasTransparentCornersAndOpaqueCentre)
    {
        const QIcon icon = ApplicationIcon();
        for (const int size : { 16, 32, 48, 64, 128, 256 }) {
            SCOPED_TRACE(size);
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
            const QImage image = Image(icon, size, QIcon::Normal);
            ASSERT_EQ(image.size(), QSize(size, size));
            const int last = size - 1;
            for (const QPoint corner :
                { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) })
                EXPECT_EQ(qAlpha(image.pixel(corner)), 0);
            EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        }
        // No size draws nothing, without painting on a null image (which Qt warns about).
        static int warnings = 0;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString&) { ++warnings; });
        EXPECT_TRUE(DrawApplicationIcon(0).isNull());
        qInstallMessageHandler(previous);
        EXPECT_EQ(warnings, 0);
        const QImage badge = StatusBarBadge().toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(badge, DrawApplicationIcon(16).convertToFormat(QImage::Format_ARGB32));
    }

} // namespace
} // namespace gb::browser
