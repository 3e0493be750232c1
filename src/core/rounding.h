#pragma once

#include <QString>
#include <cstdint>

namespace gb::core {

// Rounds to the nearest whole number; a value exactly halfway goes to the even neighbour
// (2.5 -> 2, 3.5 -> 4), the rule every stored and computed length here follows.
double RoundHalfEven(double value);

// RoundHalfEven, clamped into the 32-bit range (hand-edited settings may hold anything).
std::int32_t ToInt32HalfEven(double value);

// The leading decimal number of `text` after trimming: an optional sign, digits, an optional
// fraction and exponent ("120abc" -> 120, "  -3.5e2," -> -350). No number gives 0.
double NumericPrefix(const QString& text);

} // namespace gb::core
