#pragma once

#include <QString>

namespace gb::bench {

// Writes `count` distinct 160 x 120 JPEGs (quality 85) named small_000000.jpg, small_000001.jpg,
// ... into `folder`, creating it when missing, on every core. Returns how many were written.
int WriteSmallPictures(int count, const QString& folder);

} // namespace gb::bench
