// Fixed-decimal number text for the writer, independent of the locale. Rounding: the value is
// first expressed with 18 significant digits, then cut after the last decimal shown; a first cut
// digit of 5 or more rounds the magnitude up (250.5 -> "251", -0.0005 with 3 decimals -> "-0.001").
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

// The longest text WriteFixed makes: a sign, the 309 integer digits of the largest double, the
// point and six decimals.
inline constexpr std::size_t kMaxFixedLength = 320;

// v with exactly `decimals` (0..6) digits after the point ("%.3f" and friends), written at `out`,
// which has room for kMaxFixedLength characters; returns its end. No terminating zero.
char* WriteFixed(char* out, double v, int decimals);

// The longest text WriteInteger makes: "-9223372036854775808".
inline constexpr std::size_t kMaxIntegerLength = 20;
// A decimal integer ("%d") written at `out`, which has room for kMaxIntegerLength characters;
// returns its end. No terminating zero.
char* WriteInteger(char* out, std::int64_t v);

}  // namespace tessaly
