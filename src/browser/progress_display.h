#pragma once

#include <QWidget>

namespace gb::browser {

// The load progress shown over a status bar panel: a bar growing from the left under a line of
// text, the text drawn in highlight colours where the bar has passed and in button colours
// beyond it.
class ProgressDisplay : public QWidget {
    Q_OBJECT
public:
    explicit ProgressDisplay(QWidget* parent);

    // Shows the display at `geometry` (parent coordinates) with an empty bar.
    void Begin(const QRect& geometry);
    // Redraws for `percent` (0 to 100) with `text`.
    void Step(int percent, const QString& text);

    double BarWidth() const { return barWidth_; }
    QString Text() const { return text_; }
    // Where the text's top edge lies: vertically centred, rounded to a whole pixel.
    int TextTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double barWidth_ = 0.0;
    QString text_;
};

} // namespace gb::browser
