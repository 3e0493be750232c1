#pragma once

#include "browser/cell_model.h"
#include "core/grid_layout.h"

#include <QTimer>
#include <QWidget>
#include <utility>

namespace gb::browser {

// The thumbnail grid: a view over the cell model through one computed layout. It is as wide
// and tall as the visible part of the grid, paints only the cells in view (shifted by the
// scroll position) and finds the cell under the mouse itself. Painting only paints: which
// cells are on the screen is announced (Showing) when the layout, the scroll position or the
// size changes, so the tile store's work starts from there.
class ThumbGrid : public QWidget {
    Q_OBJECT
public:
    ThumbGrid(const CellModel& model, QWidget* parent);

    const CellModel& Model() const { return model_; }
    void SetLayout(const core::GridLayout& layout);
    const core::GridLayout& Layout() const { return layout_; }
    QSize SurfaceSize() const { return layout_.surface; }

    // The surface top relative to the viewport: minus the scroll position.
    int SurfaceTop() const { return -scroll_; }
    void SetScroll(int value);

    // The first and the last cell on the screen, or at least partly (first > last: none).
    std::pair<int, int> OnScreen() const;
    // The cell under a point of this widget, or -1.
    int CellAt(QPoint widgetPoint) const;
    // Where cell `index` currently is in this widget.
    QRect CellRect(int index) const;

    // The cell the keyboard acts on (-1 when there is none): the last one chosen, else the
    // first on screen. Shown with a focus mark while the grid has the keyboard, and always on
    // screen: a scroll that leaves it behind brings it along.
    int FocusIndex() const;
    // Makes `index` the keyboard's cell and asks for it to be scrolled into view; -1 forgets
    // the choice, so the keyboard starts again at the first cell on screen.
    void SetFocusIndex(int index);

    // Paints one cell into `rect`, laid out by `geometry`; also used for the contact sheet.
    static void PaintCell(QPainter& painter, const QRect& rect, const ThumbCell& cell,
        const QPalette& palette, const CellGeometry& geometry = {}, bool pressed = false);

Q_SIGNALS:
    // A left click released over the cell it started on, or Space on the focused cell.
    void CellClicked(int index, Qt::KeyboardModifiers modifiers);
    // Any mouse button released over a cell; the Menu key and Shift+F10 count as a right
    // button released over the focused cell. A release outside every cell goes on to the
    // grid's parent.
    void CellMouseUp(int index, Qt::MouseButton button, QPoint globalPos);
    // Ctrl+A.
    void SelectAllRequested();
    // Enter on the focused cell: the cell's picture is asked for.
    void CellActivated(int index);
    // A left double-click on a cell, at the release that ends it; its first click has come as
    // CellClicked before it, its second is no click.
    void CellDoubleClicked(int index);
    // The focused cell moved to `rect` (widget coordinates) and should be scrolled into view.
    void EnsureVisibleRequested(QRect rect);
    // Cells `first` to `last` are on the screen now.
    void Showing(int first, int last);
    // Cells or frames came or went, so the places to lay out may have changed. While a load
    // fills frames in, this comes a few times a second at most, for all that arrived meanwhile.
    void PlacesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void UpdateCells(int first, int last);
    void FollowPlaces();
    void AnnounceShowing();
    void AnnounceFocus();
    void MoveFocus(int step);
    void KeepFocusInView();

    const CellModel& model_;
    core::GridLayout layout_;
    int scroll_ = 0;
    int pressedIndex_ = -1;
    int doubleClickedIndex_ = -1; // until the release that ends the double-click
    int focusIndex_ = -1;
    QTimer* settle_; // gathers the cells that arrive while frames are filled in
};

} // namespace gb::browser
