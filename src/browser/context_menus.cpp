#include "browser/context_menus.h"

#include <QMenu>

namespace gb::browser {

ContextMenus::ContextMenus(QWidget& window)
    : QObject(&window)
    , mnuMenu(new QMenu(QStringLiteral("Menu"), &window))
    , mnuTypes(new QMenu(QStringLiteral("Types"), &window))
{
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    QAction* view = mnuMenu->addAction(QStringLiteral("&View\\Edit File"));
    view->setObjectName(QStringLiteral("mnuView"));
    connect(view, &QAction::triggered, this, &ContextMenus::mnuView_Click);
    QAction* wallpaper = mnuMenu->addAction(QStringLiteral("&Set as Wallpaper"));
    wallpaper->setObjectName(QStringLiteral("mnuWallpaper"));
    connect(wallpaper, &QAction::triggered, this, &ContextMenus::mnuWallpaper_Click);

    mnuTypes->setObjectName(QStringLiteral("mnuTypes"));
    QAction* everyType = mnuTypes->addAction(QStringLiteral("Show &every picture type"));
    everyType->setObjectName(QStringLiteral("mnuEveryType"));
    everyType->setCheckable(true);
    connect(everyType, &QAction::triggered, this, &ContextMenus::mnuEveryType_Click);

    QAction* options = new QAction(QStringLiteral("&Options…"), &window);
    options->setObjectName(QStringLiteral("mnuOptions"));
    options->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(options, &QAction::triggered, this, &ContextMenus::mnuOptions_Click);
    for (QMenu* menu : { mnuMenu, mnuTypes }) {
        menu->addSeparator();
        menu->addAction(options);
    }
    window.addAction(options);
}

void ContextMenus::PopUpTypes(QPoint globalPos, bool everyType)
{
    mnuTypes->actions().front()->setChecked(everyType);
    mnuTypes->popup(globalPos);
}

} // namespace gb::browser
