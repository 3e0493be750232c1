#include "browser/elided_label.h"

#include <QPainter>
#include <QStyle>

namespace gb::browser {

QSize ElidedLabel::minimumSizeHint() const { return { 0, QLabel::minimumSizeHint().height() }; }

QString ElidedLabel::ShownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
        isEnabled(), ShownText(), foregroundRole());
}

} // namespace gb::browser
