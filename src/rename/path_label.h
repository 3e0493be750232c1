#pragma once

#include <QLabel>

namespace gb::rename {

// A label that shows a path in whatever width the window gives it: a path too long is cut in the
// middle, where "…" stands for what is left out, and the whole path is in the tool tip. Its
// size never follows the path, so no path can push the window past the screen.
class PathLabel : public QLabel {
    Q_OBJECT
public:
    // `minimumWidth`: the width the label asks for whatever it shows. `toolTip`: the label's
    // own tip, shown before the path when the path is cut.
    PathLabel(int minimumWidth, const QString& toolTip, QWidget* parent = nullptr);

    void SetPath(const QString& path);
    QString Path() const { return path_; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowElided();

    QString path_;
    QString ownToolTip_;
    int minimumWidth_;
};

} // namespace gb::rename
