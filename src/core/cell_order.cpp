#include "core/cell_order.h"

namespace gb::core {

bool NameBefore(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

bool SortsBefore(const SortKey& a, const SortKey& b, CellOrder order)
{
    const SortKey& first = order.reverse ? b : a;
    const SortKey& second = order.reverse ? a : b;
    if (order.byTime && first.time != second.time)
        return first.time < second.time;
    return NameBefore(first.name, second.name);
}

} // namespace gb::core
