#pragma once

#include <QObject>
#include <QPoint>

class QMenu;
class QWidget;

namespace gb::browser {

// The grid's two pop-up menus: a thumbnail's ("&View\Edit File", "&Set as Wallpaper") and the
// empty area's, which switches every picture type on or off; both end with "&Options…", which
// Ctrl+Comma also asks for anywhere in the window. They only say what was chosen.
class ContextMenus : public QObject {
    Q_OBJECT
public:
    explicit ContextMenus(QWidget& window);

    QMenu& CellMenu() const { return *mnuMenu; }
    QMenu& TypesMenu() const { return *mnuTypes; }
    void PopUpTypes(QPoint globalPos, bool everyType);

Q_SIGNALS:
    void mnuView_Click();
    void mnuWallpaper_Click();
    void mnuEveryType_Click(bool checked);
    void mnuOptions_Click();

private:
    QMenu* mnuMenu;
    QMenu* mnuTypes;
};

} // namespace gb::browser
