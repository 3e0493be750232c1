#include "browser/thumb_grid.h"

#include "browser/grid_accessible.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>
#include <qdrawutil.h>

namespace gb::browser {

namespace {
    // Cells arriving into frames are painted together this often, not one by one.
    constexpr int kSettleMs = 250;

    void PaintTickBadge(QPainter& painter, const QRect& cellRect, const QPalette& palette)
    {
        const QRect badge(cellRect.right() - 16, cellRect.top() + 3, 14, 14);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette.color(QPalette::Highlight));
        painter.drawEllipse(badge);
        QPen tick(palette.color(QPalette::HighlightedText), 2.0);
        painter.setPen(tick);
        painter.drawPolyline(QPolygonF({ QPointF(badge.left() + 3.5, badge.top() + 7.5),
            QPointF(badge.left() + 6.0, badge.top() + 10.0),
            QPointF(badge.left() + 10.5, badge.top() + 4.0) }));
        painter.restore();
    }
} // namespace

ThumbGrid::ThumbGrid(const CellModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , settle_(new QTimer(this))
{
    InstallGridAccessibility();
    setObjectName(QStringLiteral("picSlide"));
    setAccessibleName(QStringLiteral("Thumbnails"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    connect(&model_, &CellModel::ValuesChanged, this, [this](int first, int last) {
        UpdateCells(first, last);
        AnnounceCellStates(*this, first, last);
    });
    connect(&model_, &CellModel::CellsChanged, this, &ThumbGrid::UpdateCells);
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &ThumbGrid::FollowPlaces);
    // Cells that came or went move every later one: the whole view is painted again, at once
    // unless frames are still being filled in.
    const auto renumbered = [this] {
        if (model_.FrameCount() == 0)
            FollowPlaces();
        else if (!settle_->isActive())
            settle_->start();
    };
    connect(&model_, &CellModel::ModelReset, this, renumbered);
    connect(&model_, &CellModel::CellsInserted, this, renumbered);
    connect(&model_, &CellModel::CellsRemoved, this, renumbered);
    connect(&model_, &CellModel::FramesChanged, this, renumbered);
    // Other pictures are on the screen now: the tile store brings back those it parked.
    connect(&model_, &CellModel::CellsReordered, this, [this] {
        FollowPlaces();
        AnnounceShowing();
    });
}

void ThumbGrid::FollowPlaces()
{
    settle_->stop();
    update();
    AnnounceCellsRenumbered(*this);
    Q_EMIT PlacesChanged();
}

void ThumbGrid::SetLayout(const core::GridLayout& layout)
{
    layout_ = layout;
    update();
    AnnounceShowing();
}

void ThumbGrid::UpdateCells(int first, int last)
{
    if (layout_.cell.isEmpty())
        return;
    update(CellRect(first).united(CellRect(last)).intersected(rect()));
}

// The focus is kept across loads, so it may name a cell the current listing does not have (yet).
int ThumbGrid::FocusIndex() const
{
    if (model_.IsShown(focusIndex_))
        return focusIndex_;
    // Until a cell is chosen, the keyboard starts at the first cell on screen.
    if (layout_.cell.isEmpty())
        return -1;
    const int row = (scroll_ + layout_.cell.height() - 1) / layout_.cell.height();
    const int first = row * std::max(1, layout_.cols);
    return model_.IsShown(first) ? first : (model_.IsShown(0) ? 0 : -1);
}

void ThumbGrid::SetFocusIndex(int index)
{
    // The whole view is repainted, so the mark never stays behind on the cell it left.
    focusIndex_ = model_.IsShown(index) ? index : -1;
    update();
    if (focusIndex_ >= 0) {
        Q_EMIT EnsureVisibleRequested(CellRect(focusIndex_));
        AnnounceFocus();
    }
}

// A screen reader follows the keyboard's cell while the grid has the keyboard.
void ThumbGrid::AnnounceFocus()
{
    if (hasFocus())
        AnnounceCellFocus(*this, FocusIndex());
}

void ThumbGrid::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    AnnounceFocus();
}

// The cells a load made while the grid was hidden.
void ThumbGrid::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    AnnounceCellsRenumbered(*this);
}

void ThumbGrid::MoveFocus(int step)
{
    // The mark is already shown on `current` (also before any cell was chosen), so every arrow
    // moves it on from there. There is a current cell whenever any cell is shown.
    const int current = FocusIndex();
    if (current >= 0)
        SetFocusIndex(std::clamp(current + step, 0, model_.ShownCount() - 1));
}

// A chosen cell that a scroll (Page Down, the wheel, the scroll bar, a new layout) left off
// screen moves to the same column of the nearest row wholly in view: Space and the Menu key
// then act on a cell the user sees.
void ThumbGrid::KeepFocusInView()
{
    if (!model_.IsShown(focusIndex_) || layout_.cell.isEmpty())
        return;
    const int rowHeight = layout_.cell.height();
    const int cols = std::max(1, layout_.cols);
    const int firstRow = (scroll_ + rowHeight - 1) / rowHeight;
    const int lastRow = std::max(firstRow, (scroll_ + height()) / rowHeight - 1);
    const int row = std::clamp(focusIndex_ / cols, firstRow, lastRow);
    focusIndex_ = std::min(row * cols + focusIndex_ % cols, model_.ShownCount() - 1);
}

void ThumbGrid::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool menuKey
        = key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() & Qt::ShiftModifier);
    const int focus = FocusIndex();
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
        const int cols = std::max(1, layout_.cols);
        MoveFocus(key == Qt::Key_Left  ? -1
                : key == Qt::Key_Right ? 1
                : key == Qt::Key_Up    ? -cols
                                       : cols);
    } else if (key == Qt::Key_Space && focus >= 0) {
        SetFocusIndex(focus);
        Q_EMIT CellClicked(focus, event->modifiers());
    } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && focus >= 0) {
        SetFocusIndex(focus);
        Q_EMIT CellActivated(focus);
    } else if (menuKey && focus >= 0) {
        SetFocusIndex(focus); // the menu opens on the cell, so the cell must be in view
        Q_EMIT CellMouseUp(focus, Qt::RightButton, mapToGlobal(CellRect(focus).center()));
    } else if (event->matches(QKeySequence::SelectAll)) {
        Q_EMIT SelectAllRequested();
    } else {
        QWidget::keyPressEvent(event); // scrolling keys go on to the viewport
        return;
    }
    event->accept();
}

void ThumbGrid::SetScroll(int value)
{
    // Also for an unchanged position: a new layout may have moved the focused cell off screen.
    scroll_ = value;
    KeepFocusInView();
    update();
    AnnounceShowing();
}

void ThumbGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    AnnounceShowing();
}

std::pair<int, int> ThumbGrid::OnScreen() const
{
    if (layout_.cell.isEmpty())
        return { 0, -1 };
    const int rowHeight = layout_.cell.height();
    const int cols = std::max(1, layout_.cols);
    const long long last = (static_cast<long long>(height() + scroll_) / rowHeight + 1) * cols - 1;
    return { std::max(0, scroll_ / rowHeight) * cols,
        static_cast<int>(std::min<long long>(model_.Count() - 1, last)) };
}

void ThumbGrid::AnnounceShowing()
{
    if (const auto [first, last] = OnScreen(); first <= last)
        Q_EMIT Showing(first, last);
}

int ThumbGrid::CellAt(QPoint widgetPoint) const
{
    const int index = layout_.CellAt(widgetPoint + QPoint(0, scroll_), model_.Count());
    return model_.IsShown(index) ? index : -1;
}

QRect ThumbGrid::CellRect(int index) const
{
    return QRect(layout_.CellPosition(index) - QPoint(0, scroll_), layout_.cell);
}

void ThumbGrid::PaintCell(QPainter& painter, const QRect& rect, const ThumbCell& cell,
    const QPalette& palette, const CellGeometry& geometry, bool pressed)
{
    const bool ticked = cell.Value != 0;
    // A flat button face, so the picture's square is the very colour around it; a ticked
    // cell's face is washed with the highlight.
    QColor face = palette.color(QPalette::Button);
    if (ticked) {
        const QColor wash = palette.color(QPalette::Highlight);
        const auto mix = [](int base, int over) { return (base * 185 + over * 70 + 127) / 255; };
        face = QColor(mix(face.red(), wash.red()), mix(face.green(), wash.green()),
            mix(face.blue(), wash.blue()));
    }
    const QBrush faceBrush(face);
    qDrawWinButton(&painter, rect, palette, ticked || pressed, &faceBrush);

    const int shift = ticked || pressed ? 1 : 0; // a pressed button's face moves down-right
    if (!cell.Picture.isNull())
        cell.Picture.Paint(painter, geometry.TileAt(rect) + QPoint(shift, shift), face);

    const int captionTop = geometry.CaptionTop(rect) + shift;
    const QRect captionRect(
        rect.left() + shift, captionTop, rect.width(), rect.bottom() - captionTop);
    painter.setPen(palette.color(QPalette::ButtonText));
    painter.drawText(
        captionRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, cell.Caption);
    if (ticked)
        PaintTickBadge(painter, rect, palette);
}

void ThumbGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Button));
    if (layout_.cell.isEmpty())
        return;
    const int count = model_.PlaceCount();
    const int firstRow = std::max(0, (event->rect().top() + scroll_) / layout_.cell.height());
    const int lastRow = (event->rect().bottom() + scroll_) / layout_.cell.height();
    const long long first = static_cast<long long>(firstRow) * layout_.cols;
    const long long last
        = std::min<long long>(count - 1, (static_cast<long long>(lastRow) + 1) * layout_.cols - 1);
    const ThumbCell frame; // a cell still to come: no picture, no caption
    const int frameEnd = model_.ShownCount() + model_.FrameCount();
    for (long long i = first; i <= last; ++i) {
        const int index = static_cast<int>(i);
        if (model_.IsShown(index))
            PaintCell(painter, CellRect(index), model_.Cell(index), palette(), model_.Geometry(),
                index == pressedIndex_);
        else if (index < frameEnd)
            PaintCell(painter, CellRect(index), frame, palette(), model_.Geometry());
    }
    if (const int focused = FocusIndex(); hasFocus() && focused >= 0) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        // Some styles draw the mark only after a Tab; arrows and Space work after a click too.
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.rect = CellRect(focused).adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ThumbGrid::mousePressEvent(QMouseEvent* event)
{
    pressedIndex_ = event->button() == Qt::LeftButton ? CellAt(event->position().toPoint()) : -1;
    if (pressedIndex_ >= 0)
        update(CellRect(pressedIndex_));
}

void ThumbGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const int index = CellAt(event->position().toPoint());
    const int pressed = pressedIndex_;
    const int doubleClicked = std::exchange(doubleClickedIndex_, -1);
    pressedIndex_ = -1;
    if (pressed >= 0)
        update(CellRect(pressed));
    if (index < 0) {
        event->ignore(); // the viewport beneath has the empty area's menu
        return;
    }
    if (event->button() == Qt::LeftButton && index == pressed) {
        SetFocusIndex(index);
        Q_EMIT CellClicked(index, event->modifiers());
    }
    Q_EMIT CellMouseUp(index, event->button(), event->globalPosition().toPoint());
    if (event->button() == Qt::LeftButton && index == doubleClicked)
        Q_EMIT CellDoubleClicked(index);
}

// The second press of a double-click is no click of its own. What it asks for waits for its
// release, so that no window opened meanwhile takes the release for a click of its own.
void ThumbGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    pressedIndex_ = -1;
    doubleClickedIndex_
        = event->button() == Qt::LeftButton ? CellAt(event->position().toPoint()) : -1;
}

bool ThumbGrid::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = CellAt(help->pos());
        if (index >= 0)
            QToolTip::showText(
                help->globalPos(), model_.Cell(index).ToolTipText, this, CellRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

} // namespace gb::browser
