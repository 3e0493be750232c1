#pragma once

#include <QSize>

namespace gb::formats {

// The size to decode a picture stored as `stored` (upright: `upright`) at when only a picture
// fitting `box` is needed: the smallest that still leaves at least twice the fitted size on both
// sides, never above the stored size. The stored size itself when `box` asks for no reduction.
QSize ReducedSize(QSize stored, QSize upright, QSize box);

// Whether a stored picture of `size` (upright) stands in for one of `upright`: the same shape
// within two pixels (encoders round a reduced picture's sides) and at least twice the size the
// picture gets fitted into `box`, on both sides.
bool CoversTwiceTheTile(QSize size, QSize upright, QSize box);

} // namespace gb::formats
