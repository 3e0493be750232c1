#pragma once

#include <QLabel>

namespace gb::browser {

// A one-line text label that shows as much of its text as fits, with "…" in the middle where it
// does not (a long folder path keeps its beginning and its last folders), and never asks its
// layout for more room than the window has. text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;
    // What is drawn for the current width.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace gb::browser
