#pragma once

#include <QWidget>

class QScrollBar;

namespace gb::browser {

class CellModel;
class ThumbGrid;

// The grid's window onto the cells: the grid and its scroll bar, and the one place that lays
// the cells out and scrolls them. The scroll bar holds the position; the grid follows it.
class ThumbViewport : public QWidget {
    Q_OBJECT
public:
    ThumbViewport(const CellModel& model, QWidget* parent);

    ThumbGrid& Grid() const { return *picSlide; }
    QScrollBar& ScrollBar() const { return *vsbSlide; }

    // Lays the cells out for the viewport's size and shows the first row at the top; with
    // `keepPosition`, the grid stays where it was scrolled to (cells came or went).
    void LayOut(bool keepPosition = false);

Q_SIGNALS:
    // A resize laid the cells out again.
    void Resized();
    // A mouse button released outside every cell, or anywhere while the grid is hidden.
    void EmptyAreaMouseUp(Qt::MouseButton button, QPoint globalPos);
    // The person pressed a key, clicked or turned the wheel on the grid.
    void UserTookOver();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void vsbSlide_Change();
    void ScrollIntoView(const QRect& rect);

    const CellModel& model_;
    QScrollBar* vsbSlide;
    ThumbGrid* picSlide;
};

} // namespace gb::browser
