#include "util/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tessaly {

namespace {

using number_format_detail::kHalfMargin;
using number_format_detail::kPowersOfTen;

// Scaled magnitudes below 2^42 take the fast path (about 4.4e12: metres, seconds and degrees are
// far below it at every precision the writer uses).
constexpr double kFastLimit = 4398046511104.0;

// kHalfMargin, how far from a half the scaled value must lie for the fast path to decide alone:
// the product x * 10^d as a double is within half an ulp of the exact one, at most 2^-12 below
// 2^42; the 18-digit value the rounding rule starts from is within 5e-18 relative of x, at most
// 2.2e-5 after scaling. Both together stay below 2.7e-4, well inside the margin of 1e-3, so the
// exact value, the 18-digit value and the double product all lie on the same side of the half.

// "00" to "99", for writing two digits at a time.
struct DigitPairs {
  char text[200];
  constexpr DigitPairs() : text{} {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kDigitPairs;

constexpr std::uint32_t kDecimalUnits[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// Writes v in decimal backwards, ending just before p, padded with zeros to at least `width`
// digits (at least one digit in any case). Returns where the text starts.
char* WriteBackward(char* p, std::uint32_t v, int width) {
  char* const padded = p - width;
  while (v >= 100) {
    const std::uint32_t pair = v % 100;
    v /= 100;
    p -= 2;
    p[0] = kDigitPairs.text[2 * pair];
    p[1] = kDigitPairs.text[2 * pair + 1];
  }
  if (v >= 10) {
    p -= 2;
    p[0] = kDigitPairs.text[2 * v];
    p[1] = kDigitPairs.text[2 * v + 1];
  } else {
    *--p = static_cast<char>('0' + v);
  }
  while (p > padded) *--p = '0';
  return p;
}

// How many decimal digits v has (1 for zero).
int DigitCount(std::uint32_t v) {
  constexpr std::uint32_t kBounds[] = {10u, 100u, 1000u, 10000u, 100000u, 1000000u, 10000000u, 100000000u,
                                       1000000000u};
  int n = 1;
  while (n < 10 && v >= kBounds[n - 1]) ++n;
  return n;
}

// Writes `scaled` (an integer count of 10^-Decimals) as fixed text with at least one integer digit:
// 1234 with 3 decimals is "1.234", 5 is "0.005". Returns the end of the text. One instance per
// precision, so that every division is by a constant; all of it in 32 bits, which a 32-bit build
// does in single instructions.
template <int Decimals>
char* ScaledText32(char* out, std::uint32_t scaled) {
  constexpr std::uint32_t kUnit = kDecimalUnits[Decimals];
  const std::uint32_t whole = scaled / kUnit;
  char* const end = out + DigitCount(whole) + (Decimals > 0 ? Decimals + 1 : 0);
  char* p = end;
  if constexpr (Decimals > 0) {
    p = WriteBackward(p, scaled % kUnit, Decimals);
    *--p = '.';
  }
  WriteBackward(p, whole, 1);
  return end;
}

// The same for `scaled` up to 2^43. The 64-bit value is split once into 32-bit pieces: the
// fraction, then the whole part's last nine digits and the rest.
char* WriteScaled(char* out, std::uint64_t scaled, int decimals) {
  if (scaled <= 0xFFFFFFFFu) return WriteScaled32(out, static_cast<std::uint32_t>(scaled), decimals);
  const std::uint32_t unit = kDecimalUnits[decimals];
  const std::uint64_t whole = scaled / unit;
  const auto fraction = static_cast<std::uint32_t>(scaled - whole * unit);
  std::uint32_t high = static_cast<std::uint32_t>(whole);
  std::uint32_t low = 0;
  const bool split = whole > 0xFFFFFFFFu;
  if (split) {
    high = static_cast<std::uint32_t>(whole / 1000000000u);
    low = static_cast<std::uint32_t>(whole - std::uint64_t{high} * 1000000000u);
  }
  const int length = DigitCount(high) + (split ? 9 : 0) + (decimals > 0 ? decimals + 1 : 0);
  char* const end = out + length;
  char* p = end;
  if (decimals > 0) {
    p = WriteBackward(p, fraction, decimals);
    *--p = '.';
  }
  if (split) p = WriteBackward(p, low, 9);
  WriteBackward(p, high, 1);
  return end;
}

// 10^0 to 10^18, all that a 64-bit unsigned integer holds.
constexpr auto kIntegerPowersOfTen = [] {
  std::array<std::uint64_t, 19> powers{};
  powers[0] = 1;
  for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// The rule itself, for every magnitude. Its 18 significant digits, correctly rounded, are an
// integer `digits` with magnitude = digits * 10^(exponent - 17); the value in units of
// 10^-decimals is then digits * 10^shift, which is cut to a whole number, half up.
char* WriteFixedExact(char* out, double magnitude, int decimals) {
  char sci[32];  // "d.ddddddddddddddddde+ddd"
  char* const sciEnd = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 17).ptr;
  const char* const e = std::find(sci, sciEnd, 'e');
  std::uint64_t digits = static_cast<std::uint64_t>(sci[0] - '0');
  for (const char* p = sci + 2; p < e; ++p) digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), sciEnd, exponent);

  // The whole number of units, as decimal text.
  char units[kMaxFixedLength];
  char* end = units;
  const int shift = exponent - 17 + decimals;
  if (shift >= 0) {
    end = std::to_chars(units, units + sizeof units, digits).ptr;
    end = std::fill_n(end, shift, '0');
  } else {
    std::uint64_t whole = 0;  // more than 18 places cut leave less than a tenth of a unit
    if (shift >= -18) {
      const std::uint64_t unit = kIntegerPowersOfTen[static_cast<std::size_t>(-shift)];
      whole = digits / unit + (digits % unit >= unit / 2 ? 1 : 0);
    }
    end = std::to_chars(units, units + sizeof units, whole).ptr;
  }

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

}  // namespace

char* WriteScaled32(char* out, std::uint32_t scaled, int decimals) {
  switch (decimals) {
    case 0: return ScaledText32<0>(out, scaled);
    case 1: return ScaledText32<1>(out, scaled);
    case 2: return ScaledText32<2>(out, scaled);
    case 3: return ScaledText32<3>(out, scaled);
    case 4: return ScaledText32<4>(out, scaled);
    case 5: return ScaledText32<5>(out, scaled);
    default: return ScaledText32<6>(out, scaled);
  }
}

char* WriteFixedGeneral(char* out, double v, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  // Negative values keep their "-" even when they round to zero (-0.0004 -> "-0.000"), as the
  // C library does; negative zero itself is no negative value and prints without a sign.
  const bool negative = v < 0.0;
  if (std::isnan(v)) {
    std::memcpy(out, "nan", 3);
    return out + 3;
  }
  if (negative) *out++ = '-';
  if (std::isinf(v)) {
    std::memcpy(out, "inf", 3);
    return out + 3;
  }
  const double magnitude = std::fabs(v);

  // The rule amounts to rounding the 18-digit value times 10^decimals half up to an integer.
  // Away from a half that integer is the nearest one to the double product.
  const double scaled = magnitude * kPowersOfTen[decimals];
  // (WriteFixed has already decided the common case below 2^31 inline, in 32 bits.)
  if (scaled < kFastLimit) {
    const auto whole = static_cast<std::uint64_t>(scaled);
    const double fraction = scaled - static_cast<double>(whole);  // exact: 0 <= fraction < 1
    if (fraction < 0.5 - kHalfMargin) return WriteScaled(out, whole, decimals);
    if (fraction > 0.5 + kHalfMargin) return WriteScaled(out, whole + 1, decimals);
    // Without decimals the product is the value itself, so a half is an exact half: a number
    // below 2^42 with a fraction of one half has far fewer than 18 digits, and rounds up.
    if (decimals == 0 && fraction == 0.5) return WriteScaled(out, whole + 1, 0);
  }
  return WriteFixedExact(out, magnitude, decimals);
}

char* WriteInteger(char* out, std::int64_t v) {
  // Every integer of a document fits 32 bits, where a 32-bit build needs no 64-bit division.
  if (v >= INT32_MIN && v <= INT32_MAX) return std::to_chars(out, out + kMaxIntegerLength, static_cast<std::int32_t>(v)).ptr;
  return std::to_chars(out, out + kMaxIntegerLength, v).ptr;
}

}  // namespace tessaly
