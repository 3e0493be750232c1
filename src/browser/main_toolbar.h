#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QToolBar;

namespace gb::browser {

// The main window's toolbar: its thirteen entries (buttons and separators) and access to the
// buttons by key.
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

Q_SIGNALS:
    void ButtonClicked(const QString& key);

private:
    QToolBar* bar_;
    QHash<QString, QAction*> buttons_;
};

} // namespace gb::browser
