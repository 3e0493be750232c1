#pragma once

#include <QObject>
#include <QRect>

class QLabel;
class QMainWindow;

namespace gb::browser {

class ProgressDisplay;

// The main window's status bar: a badge, the file count ("File(s): n") and the path, and the
// load's progress display, which covers the path panel while a load runs. At its right end, shown
// only while there is one, a notice of the last load (the files it could not read), and a hint
// at the pictures of the folder that are hidden because their types show only on request.
class MainStatusBar : public QObject {
    Q_OBJECT
public:
    explicit MainStatusBar(QMainWindow& window);

    // The text of panel 1 to 3, left to right.
    QString Text(int panel) const;
    void SetCount(const QString& text);
    void SetPath(const QString& text);
    // Shows `text` at the right end; "" hides it.
    void SetNotice(const QString& text);
    // Says how many pictures of which types (the first few named) the folder hides, and where
    // they are switched on; none hides the hint.
    void SetHiddenPictures(int count, const QStringList& types);

    ProgressDisplay& Progress() const { return *picProgress; }
    // A load begins to make the cells of `count` files of `folder`.
    void BeginProgress(const QString& folder, int count);
    void StepProgress(int percent, const QString& name);
    void EndProgress();
    // The window was resized: the progress display goes where the path panel went.
    void FollowResize();

private:
    enum class Panel { Badge, Count, Path };
    QLabel* Label(Panel which) const { return panels_[static_cast<int>(which)]; }
    QRect ProgressArea() const;

    QMainWindow& window_;
    QLabel* panels_[3] = {};
    QLabel* notice_ = nullptr;
    QLabel* hint_ = nullptr;
    ProgressDisplay* picProgress;
};

} // namespace gb::browser
