#include "browser/thumb_viewport.h"

#include "browser/cell_model.h"
#include "browser/thumb_grid.h"
#include "core/grid_layout.h"

#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace gb::browser {

ThumbViewport::ThumbViewport(const CellModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    // The grid is the window's one keyboard stop: the viewport around it and the scroll bar
    // never take the focus, so no Tab lands where nothing shows it. The scrolling keys the grid
    // leaves come on to the viewport all the same.
    setObjectName(QStringLiteral("picFrame"));
    setFocusPolicy(Qt::NoFocus);

    vsbSlide = new QScrollBar(Qt::Vertical, this);
    vsbSlide->setObjectName(QStringLiteral("vsbSlide"));
    vsbSlide->setAccessibleName(QStringLiteral("Scroll Thumbnails"));
    vsbSlide->setFocusPolicy(Qt::NoFocus);
    vsbSlide->resize(vsbSlide->sizeHint().width(), vsbSlide->height());
    connect(vsbSlide, &QScrollBar::valueChanged, this, &ThumbViewport::vsbSlide_Change);

    picSlide = new ThumbGrid(model_, this);
    picSlide->installEventFilter(this);
    connect(picSlide, &ThumbGrid::EnsureVisibleRequested, this, &ThumbViewport::ScrollIntoView);
    connect(picSlide, &ThumbGrid::PlacesChanged, this, [this] {
        if (picSlide->isVisible())
            LayOut(true);
    });
}

void ThumbViewport::LayOut(bool keepPosition)
{
    const QSize inner = size();
    const int barWidth = vsbSlide->width();
    vsbSlide->setGeometry(inner.width() - barWidth, 0, barWidth, inner.height());
    const core::GridLayout layout
        = core::ComputeGridLayout(inner, barWidth, model_.Geometry().Cell(), model_.PlaceCount());
    picSlide->setGeometry(0, 0, std::max(0, inner.width() - barWidth), inner.height());
    picSlide->SetLayout(layout);

    const int position = keepPosition ? std::min(vsbSlide->value(), layout.scrollMax) : 0;
    vsbSlide->setValue(position);
    vsbSlide_Change();
    vsbSlide->setMaximum(layout.scrollMax);
    vsbSlide->setEnabled(layout.scrollEnabled);
    if (layout.scrollEnabled) {
        vsbSlide->setSingleStep(layout.smallChange);
        vsbSlide->setPageStep(layout.largeChange);
    }
}

void ThumbViewport::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (window()->isMinimized())
        return;
    LayOut();
    Q_EMIT Resized();
}

void ThumbViewport::vsbSlide_Change()
{
    picSlide->SetScroll(vsbSlide->value());
    // After a scroll the keyboard is on the grid, whose focus mark followed the view; while a
    // load hides the grid nothing holds the keyboard.
    if (picSlide->isVisible())
        picSlide->setFocus();
}

void ThumbViewport::ScrollIntoView(const QRect& rect)
{
    if (rect.top() < 0)
        vsbSlide->setValue(vsbSlide->value() + rect.top());
    else if (rect.bottom() >= picSlide->height())
        vsbSlide->setValue(vsbSlide->value() + rect.bottom() - picSlide->height() + 1);
}

void ThumbViewport::keyPressEvent(QKeyEvent* event)
{
    // The arrows move the grid's focus instead; the grid brings its focus along as these
    // scroll.
    static const QHash<int, QAbstractSlider::SliderAction> kActions {
        { Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub },
        { Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd },
        { Qt::Key_Home, QAbstractSlider::SliderToMinimum },
        { Qt::Key_End, QAbstractSlider::SliderToMaximum },
    };
    const auto action = kActions.find(event->key());
    if (action == kActions.end())
        return QWidget::keyPressEvent(event);
    if (vsbSlide->isEnabled())
        vsbSlide->triggerAction(action.value());
}

void ThumbViewport::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT EmptyAreaMouseUp(event->button(), event->globalPosition().toPoint());
}

bool ThumbViewport::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == picSlide
        && (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel))
        Q_EMIT UserTookOver();
    if (watched == picSlide && type == QEvent::Wheel && vsbSlide->isEnabled()) {
        QCoreApplication::sendEvent(vsbSlide, event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace gb::browser
