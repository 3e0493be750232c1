#include "browser/main_toolbar.h"

#include "browser/toolbar_icons.h"

#include <QAction>
#include <QKeySequence>
#include <QToolBar>
#include <QToolButton>

namespace gb::browser {

namespace {

    constexpr QSize kIconSize(24, 24);

    struct Entry {
        const char* key; // nullptr: a separator
        ToolbarCommand command;
        const char* caption;
        const char* toolTip;
        const char* image;
    };

    constexpr Entry kEntries[] = {
        { nullptr, {}, nullptr, nullptr, nullptr },
        { "Browse", ToolbarCommand::Browse, "&Browse", "Select a Source Folder", "Browse" },
        { nullptr, {}, nullptr, nullptr, nullptr },
        { "Delete", ToolbarCommand::Delete, "&Delete", "Delete Selected File(s)", "Delete" },
        { "SelectAll", ToolbarCommand::SelectAll, "&Select All", "Select All Files", "SelectAll" },
        { "Rename", ToolbarCommand::Rename, "R&ename", "Rename Selected File(s)", "Rename" },
        { "Refresh", ToolbarCommand::Refresh, "&Refresh", "Refresh Thumbnails", "Refresh" },
        { "Slideshow", ToolbarCommand::Slideshow, "S&lideshow", "Slideshow Selected Files",
            "Slide" },
        { nullptr, {}, nullptr, nullptr, nullptr },
        { "About", ToolbarCommand::About, "&About", "About Glimmerbox", "About" },
        { "Help", ToolbarCommand::Help, "&Help", "On-Line Help", "Help" },
        { "Exit", ToolbarCommand::Exit, "E&xit", "Exit Program", "Exit" },
        { nullptr, {}, nullptr, nullptr, nullptr },
    };

} // namespace

MainToolbar::MainToolbar(QToolBar* bar)
    : QObject(bar)
    , bar_(bar)
{
    bar_->setObjectName(QStringLiteral("tbrMain"));
    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar_->setIconSize(kIconSize);
    bar_->toggleViewAction()->setVisible(false);
    // Qt's button for the entries a narrow window has no room for comes unnamed; a screen reader
    // lists it first even while it is hidden.
    if (auto* more = bar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More Buttons"));
    for (const Entry& entry : kEntries) {
        if (!entry.key) {
            bar_->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(entry.key);
        QAction* action = bar_->addAction(
            ToolbarIcon(QString::fromLatin1(entry.image)), QString::fromLatin1(entry.caption));
        action->setObjectName(key);
        action->setToolTip(QString::fromLatin1(entry.toolTip));
        // Toolbar buttons show the caption without its "&", so the Alt key is given explicitly.
        action->setShortcut(QKeySequence::mnemonic(action->text()));
        connect(action, &QAction::triggered, this,
            [this, command = entry.command] { Q_EMIT ButtonClicked(command); });
        buttons_.insert(key, action);
    }
}

QString MainToolbar::KeyAt(int number) const
{
    const QList<QAction*> actions = bar_->actions();
    if (number < 1 || number > actions.size())
        return {};
    QAction* action = actions[number - 1];
    return action->isSeparator() ? QString() : action->objectName();
}

int MainToolbar::EntryCount() const { return static_cast<int>(bar_->actions().size()); }

void MainToolbar::SetEnabled(const QString& key, bool enabled)
{
    if (QAction* action = buttons_.value(key))
        action->setEnabled(enabled);
}

void MainToolbar::FollowCells(int ticked, int cells)
{
    for (const char* key : { "Delete", "Rename", "Slideshow" })
        SetEnabled(QString::fromLatin1(key), ticked > 0);
    SetEnabled(QStringLiteral("SelectAll"), cells > 1);
}

} // namespace gb::browser
