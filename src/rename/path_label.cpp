#include "rename/path_label.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace gb::rename {

PathLabel::PathLabel(int minimumWidth, const QString& toolTip, QWidget* parent)
    : QLabel(parent)
    , ownToolTip_(toolTip)
    , minimumWidth_(minimumWidth)
{
    setTextFormat(Qt::PlainText);
    setToolTip(ownToolTip_);
}

void PathLabel::SetPath(const QString& path)
{
    path_ = path;
    ShowElided();
}

QSize PathLabel::minimumSizeHint() const
{
    // The height of one line of text whatever the text, the width as designed: not the width of
    // the text shown, or a path shown in a wider window would keep the window from narrowing.
    const QMargins margins = contentsMargins();
    return QSize(
        minimumWidth_, fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin());
}

void PathLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    ShowElided();
}

void PathLabel::ShowElided()
{
    // Less the indent a framed label leaves on its left.
    const int indentWidth = frameWidth() > 0 ? fontMetrics().horizontalAdvance(u'x') : 0;
    const int room = std::max(0, contentsRect().width() - 2 * margin() - indentWidth);
    const QString shown = fontMetrics().elidedText(path_, Qt::ElideMiddle, room);
    setText(shown);
    if (shown == path_)
        setToolTip(ownToolTip_);
    else
        setToolTip(ownToolTip_.isEmpty() ? path_ : ownToolTip_ + u'\n' + path_);
}

} // namespace gb::rename
