#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QToolBar;

namespace gb::browser {

// What a toolbar button asks for.
enum class ToolbarCommand {
    Browse,
    Delete,
    SelectAll,
    Rename,
    Refresh,
    Slideshow,
    About,
    Help,
    Exit
};

// The main window's toolbar: its thirteen entries (buttons and separators), access to the
// buttons by key ("Browse", "SelectAll" ...), and the command each click asks for.
class MainToolbar : public QObject {
    Q_OBJECT
public:
    explicit MainToolbar(QToolBar* bar);

    QToolBar* Bar() const { return bar_; }
    QAction* Button(const QString& key) const { return buttons_.value(key); }
    // The entry at `number` (1 to 13); separators have an empty key.
    QString KeyAt(int number) const;
    int EntryCount() const;
    void SetEnabled(const QString& key, bool enabled);
    // Delete, Rename and Slideshow need a ticked cell; Select All more than one cell.
    void FollowCells(int ticked, int cells);

Q_SIGNALS:
    void ButtonClicked(gb::browser::ToolbarCommand command);

private:
    QToolBar* bar_;
    QHash<QString, QAction*> buttons_;
};

} // namespace gb::browser
