#include "browser/progress_display.h"

#include "core/rounding.h"

#include <QPainter>

namespace gb::browser {

namespace {
    constexpr int kTextLeft = 3;
}

ProgressDisplay::ProgressDisplay(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picProgress"));
    setAccessibleName(QStringLiteral("Progress"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

void ProgressDisplay::Begin(const QRect& geometry)
{
    barWidth_ = 0.0;
    text_.clear();
    setGeometry(geometry);
    raise();
    show();
}

void ProgressDisplay::Step(int percent, const QString& text)
{
    barWidth_ = percent / 100.0 * width();
    text_ = text;
    setAccessibleDescription(text); // what the bar shows, which only paint knows otherwise
    update();
}

int ProgressDisplay::TextTop() const
{
    return static_cast<int>(core::RoundHalfEven((height() - fontMetrics().height()) / 2.0));
}

void ProgressDisplay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect textRect(kTextLeft, TextTop(), width() - kTextLeft, fontMetrics().height());
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

    painter.fillRect(rect(), pal.color(QPalette::Button));
    painter.setPen(pal.color(QPalette::ButtonText));
    painter.drawText(textRect, flags, text_);

    // The bar carries its own copy of the text, clipped to the bar, so the two copies meet
    // exactly at the bar's edge.
    const QRectF bar(0.0, 0.0, barWidth_, height());
    painter.setClipRect(bar);
    painter.fillRect(bar, pal.color(QPalette::Highlight));
    painter.setPen(pal.color(QPalette::HighlightedText));
    painter.drawText(textRect, flags, text_);
}

} // namespace gb::browser
