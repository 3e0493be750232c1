#pragma once

#include "browser/thumb_cell.h"

#include <QHash>
#include <QObject>
#include <algorithm>
#include <functional>
#include <vector>

namespace gb::browser {

// The cells of the thumbnail grid, and their one owner: every change to a cell's name, tick,
// picture or visibility goes through here and is announced, so the grid, the tile store and
// the accessibility interface each follow the same cells without sharing an array. Cell 0
// always exists (hidden while the folder shows nothing); the others follow in grid order.
//
// Each cell also has an id that stays with it while cells are inserted or removed before it,
// for whoever keeps something about a cell across such changes (the tile store).
class CellModel : public QObject {
    Q_OBJECT
public:
    using CellId = quint64;

    explicit CellModel(QObject* parent = nullptr);

    int Count() const { return static_cast<int>(cells_.size()); }
    const ThumbCell& Cell(int index) const { return cells_[static_cast<size_t>(index)]; }
    // Read-only, in grid order: for drawing a contact sheet and for checks.
    const std::vector<ThumbCell>& Cells() const { return cells_; }
    bool IsShown(int index) const;
    // How many cells from the first on are shown: cells are shown in order, so they are a prefix.
    int ShownCount() const { return shownCount_; }
    int TickedCount() const { return tickedCount_; }
    // Frames for cells still to come, laid out after the shown cells: a load that shows its
    // cells as they arrive keeps every cell where it ends up. Each cell appended fills the first.
    int FrameCount() const { return frameCount_; }
    // The places the grid lays out: the cells (cell 0 even while hidden) and the frames.
    int PlaceCount() const { return std::max(Count(), shownCount_ + frameCount_); }

    CellId Id(int index) const { return ids_[static_cast<size_t>(index)]; }
    // The cell's index now, or -1 when it has been removed.
    int IndexOf(CellId id) const;

    // The size and the layout of every cell; a load sets it before its Reset, so whoever follows
    // the reset lays the new cells out at their size.
    const CellGeometry& Geometry() const { return geometry_; }
    void SetGeometry(const CellGeometry& geometry) { geometry_ = geometry; }

    // Back to one hidden, unticked, empty cell 0.
    void Reset();
    // Adds a shown cell behind the shown ones, or at `index` among them (filling cell 0 first,
    // and the first frame); returns its index.
    int Append(ThumbCell cell, int index = -1);
    // Puts a shown cell at `index` (0 to ShownCount()), moving the later ones on.
    void Insert(int index, ThumbCell cell);
    // Puts the shown cells in the order `before` gives, equal ones as they were; each keeps its
    // tick and its id. Announced by CellsReordered when any cell moved.
    void Sort(const std::function<bool(const ThumbCell&, const ThumbCell&)>& before);
    // Keeps only cell 0, as it is.
    void Truncate();
    // As many frames as cells still to come (announced by FramesChanged).
    void SetFrameCount(int count);
    // Takes cell `index` out; the last shown cell hides instead (cell 0 always exists).
    void Remove(int index);
    void SetValue(int index, int value) { SetValues(index, index, value); }
    // Ticks or unticks cells `first` to `last` at once.
    void SetValues(int first, int last, int value);
    // A click on a cell: flips its tick, or with `range` ticks every cell from the cell clicked
    // before to this one.
    void Click(int index, bool range);
    // The tile store parks a cell's packed pixels on the disk and brings them back, then
    // announces the cells whose pictures it brought back, once for the lot.
    void SetPicturePixels(int index, QByteArray pixels);
    void AnnouncePictures(int first, int last) { Q_EMIT CellsChanged(first, last); }

Q_SIGNALS:
    // Every cell was replaced.
    void ModelReset();
    // Shown cells came or went (cell 0 showing its first picture counts as inserted, and
    // hiding as the last one goes as removed).
    void CellsInserted(int first, int last);
    void CellsRemoved(int first, int last);
    // What cells `first` to `last` show changed (their pictures).
    void CellsChanged(int first, int last);
    // Cells between `first` and `last` were ticked or unticked, `lastChanged` the last of them.
    void ValuesChanged(int first, int last, int lastChanged);
    // The shown cells are the same ones, in another order.
    void CellsReordered();
    // Frames came or went other than by a cell filling one.
    void FramesChanged();

private:
    void CountShown(const ThumbCell& cell, int sign);
    void Reorder() { inOrder_ = false, indexOf_.clear(); }

    CellGeometry geometry_;
    std::vector<ThumbCell> cells_;
    std::vector<CellId> ids_;
    // Ids follow the cells in order (cell i has the first id plus i) until a cell is inserted
    // before others or removed; only then are the indexes kept by id, made when asked.
    bool inOrder_ = true;
    CellId anchor_ = ~CellId(0); // the cell clicked last, where a range starts
    mutable QHash<CellId, int> indexOf_;
    CellId nextId_ = 0;
    int shownCount_ = 0;
    int tickedCount_ = 0;
    int frameCount_ = 0;
};

} // namespace gb::browser
