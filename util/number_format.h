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

namespace number_format_detail {
// Powers of ten up to 10^6, all exact as doubles.
inline constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};
// How far from a half the scaled value must lie for the product alone to decide the rounding
// (number_format.cpp says why this margin is safe).
inline constexpr double kHalfMargin = 1.0e-3;
}  // namespace number_format_detail

// `scaled`, a count of 10^-decimals (decimals 0..6), as fixed text with at least one integer
// digit: 1234 with 3 decimals is "1.234", 5 is "0.005". Returns the end of the text.
char* WriteScaled32(char* out, std::uint32_t scaled, int decimals);
// WriteFixed for every value: non-finite ones, large ones and those close to a half included.
char* WriteFixedGeneral(char* out, double v, int decimals);

// v with exactly `decimals` (0..6) digits after the point ("%.3f" and friends), written at `out`,
// which has room for kMaxFixedLength characters; returns its end. No terminating zero.
// Three ways, not one through std::to_chars: a day's export 10% faster natively, 37% in the DLL.
// The common case (a scaled magnitude below 2^31, clear of a half) is inline, so that a 32-bit
// build keeps the value in its SSE registers instead of passing it on the stack through the x87
// unit at every call.
inline char* WriteFixed(char* out, double v, int decimals) {
  if (decimals >= 0 && decimals <= 6) {
    const double magnitude = v < 0.0 ? -v : v;
    const double scaled = magnitude * number_format_detail::kPowersOfTen[decimals];
    if (scaled < 2147483648.0) {  // false for NaN and the infinities
      const auto truncated = static_cast<std::int32_t>(scaled);
      const double fraction = scaled - static_cast<double>(truncated);  // exact: 0 <= fraction < 1
      const bool up = fraction > 0.5 + number_format_detail::kHalfMargin;
      if (up || fraction < 0.5 - number_format_detail::kHalfMargin) {
        if (v < 0.0) *out++ = '-';  // negative zero is no negative value
        return WriteScaled32(out, static_cast<std::uint32_t>(truncated) + (up ? 1u : 0u), decimals);
      }
    }
  }
  return WriteFixedGeneral(out, v, decimals);
}

// The longest text WriteInteger makes: "-9223372036854775808".
inline constexpr std::size_t kMaxIntegerLength = 20;
// A decimal integer ("%d") written at `out`, which has room for kMaxIntegerLength characters;
// returns its end. No terminating zero.
char* WriteInteger(char* out, std::int64_t v);

}  // namespace tessaly
