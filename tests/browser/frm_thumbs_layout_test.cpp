#include "main_window_harness.h"

#include <QScrollBar>

namespace gb::test {
namespace {

    // A window showing `count` small pictures.
    void LoadPictures(MainWindowHarness& h, TempFolder& photos, int count)
    {
        for (int i = 0; i < count; ++i)
            WritePicture(photos, QString("img%1.bmp").arg(i, 3, 10, QChar('0')), QSize(8, 8));
        h.Window().show();
        h.Open(photos.Path());
    }

    TEST(MainWindowLayout, CellsFlowInWholeColumnsAndTheGridScrollsByCells)
    {
        MainWindowHarness h;
        TempFolder photos;
        LoadPictures(h, photos, 100);
        browser::frmThumbs& w = h.Window();
        w.resize(800, 500);
        QCoreApplication::processEvents();
        const QSize inner = w.Viewport().size();
        QScrollBar& bar = w.ScrollBar();
        const int cols = (inner.width() - bar.width()) / 89;
        ASSERT_TRUE(cols > 0 && w.Grid().Layout().cols == cols && bar.isEnabled());
        const int rows = (100 + cols - 1) / cols;
        EXPECT_EQ(bar.maximum(), rows * 97 - inner.height());

        bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(w.Grid().SurfaceTop(), -97);
        // The top row on screen is now the grid's second: Space before any click ticks its first
        // cell; a click there unticks it.
        w.Grid().setFocus();
        QTest::keyClick(&w.Grid(), Qt::Key_Space);
        EXPECT_EQ(h.Values().mid(0, cols + 1), QList<int>(cols, 0) << 1);
        const QImage shown = w.Grid().grab().toImage();
        // The picture's square is the face around it, which the tick washes.
        const auto face = [&](int cell, int x) {
            return shown.pixel(w.Grid().CellRect(cell).topLeft() + QPoint(x, 8));
        };
        const QRgb plain = w.Grid().palette().color(QPalette::Button).rgb();
        EXPECT_TRUE(face(cols, 7) == face(cols, 16) && face(cols + 1, 7) == face(cols + 1, 16)
            && face(cols, 7) != plain && face(cols + 1, 7) == plain);
        QTest::mouseClick(&w.Grid(), Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_EQ(h.Values().mid(0, cols + 1), QList<int>(cols + 1, 0));
        bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(w.Grid().SurfaceTop(), -97 - inner.height());

        QTest::keyClick(&w.Grid(), Qt::Key_End);
        EXPECT_EQ(w.Grid().SurfaceTop(), -bar.maximum());
        QTest::keyClick(&w.Grid(), Qt::Key_PageUp);
        EXPECT_EQ(w.Grid().SurfaceTop(), -bar.maximum() + inner.height());

        // Any resize lays out again from the top.
        w.resize(900, 520);
        QCoreApplication::processEvents();
        EXPECT_EQ(bar.value(), 0);
        EXPECT_EQ(w.Grid().SurfaceTop(), 0);
        for (int i = 0; i < 5; ++i) // past the bottom: the grid follows the focus
            QTest::keyClick(&w.Grid(), Qt::Key_Down);
        EXPECT_EQ(w.Grid().CellRect(w.Grid().FocusIndex()).bottom(), w.Grid().height() - 1);
    }

    // A grid that kept the focus on the clicked cell would paint past the 3 cells of the new load
    // (std::out_of_range out of ThumbGrid::CellRect, which ends the program).
    TEST(MainWindowLayout, FocusedCellPastTheEndOfTheNextLoadIsForgotten)
    {
        MainWindowHarness h;
        TempFolder many, few;
        LoadPictures(h, many, 10);
        QTest::mouseClick(&h.Window().Grid(), Qt::LeftButton, {}, QPoint(10, 100));
        LoadPictures(h, few, 3);
        h.Window().resize(300, 100); // below the window's minimum
        EXPECT_NO_THROW(QCoreApplication::processEvents());
        EXPECT_EQ(h.Window().frameGeometry().size(), QSize(600, 285));
        const QScrollBar& bar = h.Window().ScrollBar(); // every row fits
        EXPECT_TRUE(!bar.isEnabled() && bar.isVisible() && bar.maximum() == 0);
    }

} // namespace
} // namespace gb::test
