#include "browser/cell_model.h"

#include <numeric>

namespace gb::browser {

CellModel::CellModel(QObject* parent)
    : QObject(parent)
{
    cells_.resize(1);
    ids_.push_back(nextId_++);
}

bool CellModel::IsShown(int index) const { return index >= 0 && index < shownCount_; }

int CellModel::IndexOf(CellId id) const
{
    if (inOrder_)
        return id >= ids_[0] && id - ids_[0] < ids_.size() ? static_cast<int>(id - ids_[0]) : -1;
    if (indexOf_.isEmpty()) {
        for (int i = 0; i < Count(); ++i)
            indexOf_.insert(ids_[static_cast<size_t>(i)], i);
    }
    return indexOf_.value(id, -1);
}

void CellModel::CountShown(const ThumbCell& cell, int sign)
{
    shownCount_ += cell.Visible ? sign : 0;
    tickedCount_ += cell.Value != 0 ? sign : 0;
}

void CellModel::Reset()
{
    cells_.assign(1, ThumbCell {});
    ids_.assign(1, nextId_++);
    inOrder_ = true;
    indexOf_.clear();
    shownCount_ = tickedCount_ = frameCount_ = 0;
    Q_EMIT ModelReset();
}

int CellModel::Append(ThumbCell cell, int at)
{
    const int index = at < 0 ? shownCount_ : std::min(at, shownCount_);
    frameCount_ = std::max(0, frameCount_ - 1); // the places laid out stay as they were
    Insert(index, std::move(cell));
    return index;
}

void CellModel::Insert(int index, ThumbCell cell)
{
    cell.Visible = true;
    if (shownCount_ == 0) { // the hidden cell 0 takes the first picture
        CountShown(cells_[0], -1);
        cells_[0] = std::move(cell);
        CountShown(cells_[0], 1);
        Q_EMIT CellsInserted(0, 0);
        return;
    }
    const auto at = static_cast<qsizetype>(index);
    if (!inOrder_ || index != Count() || ids_.back() + 1 != nextId_)
        Reorder();
    cells_.insert(cells_.begin() + at, std::move(cell));
    ids_.insert(ids_.begin() + at, nextId_++);
    CountShown(cells_[static_cast<size_t>(index)], 1);
    Q_EMIT CellsInserted(index, index);
}

void CellModel::Sort(const std::function<bool(const ThumbCell&, const ThumbCell&)>& before)
{
    std::vector<size_t> order(static_cast<size_t>(shownCount_));
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
        [&](size_t a, size_t b) { return before(cells_[a], cells_[b]); });
    if (std::is_sorted(order.begin(), order.end()))
        return;
    std::vector<ThumbCell> cells;
    std::vector<CellId> ids;
    cells.reserve(cells_.size());
    ids.reserve(ids_.size());
    for (const size_t i : order) {
        cells.push_back(std::move(cells_[i]));
        ids.push_back(ids_[i]);
    }
    cells_.swap(cells);
    ids_.swap(ids);
    Reorder();
    Q_EMIT CellsReordered();
}

void CellModel::Truncate()
{
    const int count = Count();
    if (count == 1)
        return;
    for (size_t i = 1; i < cells_.size(); ++i)
        CountShown(cells_[i], -1);
    indexOf_.clear();
    cells_.resize(1);
    ids_.resize(1);
    Q_EMIT CellsRemoved(1, count - 1);
}

void CellModel::SetFrameCount(int count)
{
    if (count == frameCount_)
        return;
    frameCount_ = count;
    Q_EMIT FramesChanged();
}

void CellModel::Remove(int index)
{
    if (Count() == 1) { // cell 0 stays, hidden and empty
        CountShown(cells_[0], -1);
        cells_[0] = ThumbCell {};
        Q_EMIT CellsRemoved(0, 0);
        return;
    }
    CountShown(cells_[static_cast<size_t>(index)], -1);
    Reorder();
    cells_.erase(cells_.begin() + index);
    ids_.erase(ids_.begin() + index);
    Q_EMIT CellsRemoved(index, index);
}

void CellModel::SetValues(int first, int last, int value)
{
    int firstChanged = -1, lastChanged = -1;
    for (int i = first; i <= last; ++i) {
        ThumbCell& cell = cells_[static_cast<size_t>(i)];
        if (cell.Value == value)
            continue;
        tickedCount_ += (value != 0 ? 1 : 0) - (cell.Value != 0 ? 1 : 0);
        cell.Value = value;
        firstChanged = firstChanged < 0 ? i : firstChanged;
        lastChanged = i;
    }
    if (lastChanged >= 0)
        Q_EMIT ValuesChanged(firstChanged, lastChanged, lastChanged);
}

void CellModel::Click(int index, bool range)
{
    const int anchor = IndexOf(anchor_);
    if (range && anchor >= 0)
        return SetValues(std::min(anchor, index), std::max(anchor, index), 1);
    SetValue(index, Cell(index).Value ? 0 : 1);
    anchor_ = Id(index);
}

void CellModel::SetPicturePixels(int index, QByteArray pixels)
{
    cells_[static_cast<size_t>(index)].Picture.pixels = std::move(pixels);
}

} // namespace gb::browser
