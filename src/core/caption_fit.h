#pragma once

#include <QString>
#include <functional>

namespace gb::core {

using TextWidthFunction = std::function<int(const QString&)>;

// Shortens a file name to fit under a thumbnail cell of `cellWidth` pixels: the room is the cell
// width less 15; a name wider than that loses characters from its end until it fits next to
// "...". Comparisons are strict, so a name exactly as wide as the room stays whole.
QString FitCaption(const QString& name, int cellWidth, const TextWidthFunction& textWidth);

} // namespace gb::core
