#include "util/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace tessaly {

namespace {

constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};

// Scaled magnitudes below 2^42 (about 4.4e12: metres, seconds and degrees are far below it at
// every precision the writer uses) are rounded from the double product when it lies at least
// kHalfMargin from a half. The product is within half an ulp of the exact one, at most 2^-12
// below 2^42; the 18-digit value the rounding rule starts from is within 5e-18 relative of the
// value, at most 2.2e-5 after scaling. Both together stay below 2.7e-4, well inside the margin,
// so the exact value, the 18-digit value and the product all lie on the same side of the half.
constexpr double kProductLimit = 4398046511104.0;
constexpr double kHalfMargin = 1.0e-3;

// 10^0 to 10^18, all that a 64-bit unsigned integer holds.
constexpr auto kIntegerPowersOfTen = [] {
  std::array<std::uint64_t, 19> powers{};
  powers[0] = 1;
  for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// The rule itself, for every magnitude: the number of units of 10^-decimals as decimal text at
// `units`, returning its end. The 18 significant digits, correctly rounded, are an integer
// `digits` with magnitude = digits * 10^(exponent - 17); the value in units is then
// digits * 10^shift, which is cut to a whole number, half up.
char* ExactUnits(char* units, double magnitude, int decimals) {
  char sci[32];  // "d.ddddddddddddddddde+ddd"
  char* const sciEnd = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 17).ptr;
  const char* const e = std::find(sci, sciEnd, 'e');
  std::uint64_t digits = static_cast<std::uint64_t>(sci[0] - '0');
  for (const char* p = sci + 2; p < e; ++p) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), sciEnd, exponent);
  const int shift = exponent - 17 + decimals;
  if (shift >= 0) return std::fill_n(std::to_chars(units, units + kMaxFixedLength, digits).ptr, shift, '0');
  std::uint64_t whole = 0;  // more than 18 places cut leave less than a tenth of a unit
  if (shift >= -18) {
    const std::uint64_t unit = kIntegerPowersOfTen[static_cast<std::size_t>(-shift)];
    whole = digits / unit + (digits % unit >= unit / 2 ? 1 : 0);
  }
  return std::to_chars(units, units + kMaxFixedLength, whole).ptr;
}

}  // namespace

char* WriteFixed(char* out, double v, int decimals) {
  decimals = std::clamp(decimals, 0, 6);
  // Negative values keep their "-" even when they round to zero (-0.0004 -> "-0.000"), as the
  // C library does; negative zero itself is no negative value and prints without a sign.
  if (std::isnan(v)) return std::copy_n("nan", 3, out);
  if (v < 0.0) *out++ = '-';
  if (std::isinf(v)) return std::copy_n("inf", 3, out);
  const double magnitude = std::fabs(v);

  // The rule amounts to rounding the 18-digit value times 10^decimals half up to an integer.
  // Away from a half that integer is the nearest one to the double product.
  char units[kMaxFixedLength];
  char* end = nullptr;
  const double scaled = magnitude * kPowersOfTen[decimals];
  if (scaled < kProductLimit) {
    const auto whole = static_cast<std::uint64_t>(scaled);
    const double fraction = scaled - static_cast<double>(whole);  // exact: 0 <= fraction < 1
    // Without decimals the product is the value itself, so a half is an exact half: a number
    // below 2^42 with a fraction of one half has far fewer than 18 digits, and rounds up.
    const bool up = fraction > 0.5 + kHalfMargin || (decimals == 0 && fraction == 0.5);
    if (up || fraction < 0.5 - kHalfMargin) end = std::to_chars(units, units + sizeof units, whole + (up ? 1 : 0)).ptr;
  }
  if (end == nullptr) end = ExactUnits(units, magnitude, decimals);

  // The point goes in front of the last `decimals` digits, with one integer digit at least.
  const auto length = static_cast<int>(end - units);
  if (length <= decimals) {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, decimals - length, '0');
    return std::copy(units, end, out);
  }
  out = std::copy(units, end - decimals, out);
  if (decimals == 0) return out;
  *out++ = '.';
  return std::copy(end - decimals, end, out);
}

char* WriteInteger(char* out, std::int64_t v) {
  // Every integer of a document fits 32 bits, where a 32-bit build needs no 64-bit division.
  if (v >= INT32_MIN && v <= INT32_MAX) return std::to_chars(out, out + kMaxIntegerLength, static_cast<std::int32_t>(v)).ptr;
  return std::to_chars(out, out + kMaxIntegerLength, v).ptr;
}

}  // namespace tessaly
