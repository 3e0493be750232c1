#include "browser/grid_accessible.h"

#include "browser/thumb_grid.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace gb::browser {

namespace {

    // One cell, known by its id so it stays the same cell while others come and go before it.
    class CellAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
    public:
        CellAccessible(ThumbGrid* grid, CellModel::CellId id)
            : grid_(grid)
            , id_(id)
        {
        }
        int Index() const { return grid_ ? grid_->Model().IndexOf(id_) : -1; }

        bool isValid() const override { return grid_ && grid_->Model().IsShown(Index()); }
        QObject* object() const override { return nullptr; }
        QWindow* window() const override
        {
            return grid_ ? grid_->window()->windowHandle() : nullptr;
        }
        QAccessibleInterface* parent() const override
        {
            return QAccessible::queryAccessibleInterface(grid_.data());
        }
        QAccessibleInterface* child(int) const override { return nullptr; }
        int childCount() const override { return 0; }
        int indexOfChild(const QAccessibleInterface*) const override { return -1; }
        QAccessibleInterface* childAt(int, int) const override { return nullptr; }
        QString text(QAccessible::Text kind) const override
        {
            return isValid() && kind == QAccessible::Name ? grid_->Model().Cell(Index()).Tag
                                                          : QString();
        }
        void setText(QAccessible::Text, const QString&) override { }
        QRect rect() const override
        {
            if (!isValid())
                return {};
            const QRect local = grid_->CellRect(Index());
            return { grid_->mapToGlobal(local.topLeft()), local.size() };
        }
        QAccessible::Role role() const override { return QAccessible::CheckBox; }
        QAccessible::State state() const override
        {
            QAccessible::State state;
            if (!isValid()) {
                state.invalid = true;
                return state;
            }
            const int index = Index();
            state.checkable = true;
            state.checked = grid_->Model().Cell(index).Value != 0;
            state.focusable = true;
            state.focused = grid_->hasFocus() && grid_->FocusIndex() == index;
            state.offscreen
                = !grid_->isVisible() || !grid_->rect().intersects(grid_->CellRect(index));
            return state;
        }
        void* interface_cast(QAccessible::InterfaceType type) override
        {
            return type == QAccessible::ActionInterface
                ? static_cast<QAccessibleActionInterface*>(this)
                : nullptr;
        }
        QStringList actionNames() const override { return { toggleAction() }; }
        void doAction(const QString& name) override
        {
            if (name == toggleAction() && isValid())
                Q_EMIT grid_->CellClicked(Index(), Qt::NoModifier);
        }
        QStringList keyBindingsForAction(const QString& name) const override
        {
            return name == toggleAction() ? QStringList { QStringLiteral("Space") } : QStringList();
        }

    private:
        QPointer<ThumbGrid> grid_;
        CellModel::CellId id_;
    };

    class GridAccessible : public QAccessibleWidget {
    public:
        explicit GridAccessible(ThumbGrid* grid)
            : QAccessibleWidget(grid, QAccessible::List)
        {
        }
        ~GridAccessible() override { ForgetCells(true); }

        ThumbGrid* Grid() const { return static_cast<ThumbGrid*>(widget()); }
        int childCount() const override { return Grid()->Model().ShownCount(); }
        QAccessibleInterface* child(int index) const override
        {
            if (!Grid()->Model().IsShown(index))
                return nullptr;
            const CellModel::CellId id = Grid()->Model().Id(index);
            QAccessible::Id& made = cells_[id];
            if (!made)
                made = QAccessible::registerAccessibleInterface(new CellAccessible(Grid(), id));
            return QAccessible::accessibleInterface(made);
        }
        int indexOfChild(const QAccessibleInterface* child) const override
        {
            const auto* cell = dynamic_cast<const CellAccessible*>(child);
            return cell ? cell->Index() : -1;
        }
        QAccessibleInterface* childAt(int x, int y) const override
        {
            return child(Grid()->CellAt(Grid()->mapFromGlobal(QPoint(x, y))));
        }
        QAccessibleInterface* focusChild() const override
        {
            return Grid()->hasFocus() ? child(Grid()->FocusIndex()) : nullptr;
        }
        // Drops the cells that are gone (or, with `all`, every cell made so far).
        void ForgetCells(bool all)
        {
            for (auto it = cells_.begin(); it != cells_.end();) {
                if (all || !Grid()->Model().IsShown(Grid()->Model().IndexOf(it.key()))) {
                    QAccessible::deleteAccessibleInterface(it.value());
                    it = cells_.erase(it);
                } else {
                    ++it;
                }
            }
        }

    private:
        mutable QHash<CellModel::CellId, QAccessible::Id> cells_;
    };

    QAccessibleInterface* MakeGridAccessible(const QString& className, QObject* object)
    {
        if (className == QLatin1String("gb::browser::ThumbGrid") && object->isWidgetType())
            return new GridAccessible(static_cast<ThumbGrid*>(object));
        return nullptr;
    }

    GridAccessible* Accessible(ThumbGrid& grid)
    {
        return QAccessible::isActive()
            ? static_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(&grid))
            : nullptr;
    }

} // namespace

void InstallGridAccessibility()
{
    static const bool installed = (QAccessible::installFactory(&MakeGridAccessible), true);
    (void)installed;
}

void AnnounceCellFocus(ThumbGrid& grid, int index)
{
    if (GridAccessible* list = Accessible(grid); list && index >= 0) {
        QAccessibleEvent event(list->child(index), QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void AnnounceCellStates(ThumbGrid& grid, int first, int last)
{
    GridAccessible* list = Accessible(grid);
    if (!list)
        return;
    // Only the cells on the screen are announced: ticking 100,000 cells at once is heard as the
    // ones in view, and every other cell still reads as it is when asked.
    if (!grid.isVisible())
        return;
    const auto [firstShown, lastShown] = grid.OnScreen();
    QAccessible::State changed;
    changed.checked = true;
    const int end = std::min({ last, lastShown, grid.Model().ShownCount() - 1 });
    for (int index = std::max(first, firstShown); index <= end; ++index) {
        QAccessibleStateChangeEvent event(list->child(index), changed);
        QAccessible::updateAccessibility(&event);
    }
}

void AnnounceCellsRenumbered(ThumbGrid& grid)
{
    GridAccessible* list = Accessible(grid);
    if (!list)
        return;
    list->ForgetCells(false);
    // A load fills the hidden grid cell by cell: it is told once, as the grid shows again.
    if (grid.isVisible()) {
        QAccessibleEvent event(&grid, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace gb::browser
