#pragma once

#include <QString>

namespace gb::core {

// "File(s): 1,234", grouped with the locale's thousands separator.
QString FileCountText(long long count);

// The share of files reached when file `index` (from 0) of `total` starts loading, as a whole
// percentage rounded half-to-even: the first of eight files shows 12, the third 38.
int ProgressPercent(int index, int total);

} // namespace gb::core
