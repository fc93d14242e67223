// ParseReal reads short plain decimals by a shortcut. These tests hold it to std::from_chars, the
// correctly rounded conversion, bit for bit, on random texts of every length around the
// shortcut's limits.
#include "util/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <system_error>

namespace tessaly {
namespace {

std::uint64_t Bits(double v) {
  std::uint64_t b = 0;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The text's value by from_chars alone; the sign and blanks are taken off first.
double Reference(const std::string& number, bool negative) {
  double v = 0.0;
  const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
  EXPECT_EQ(r.ec, std::errc()) << number;
  return negative ? -v : v;
}

void ExpectSame(const std::string& text, double expected) {
  const std::optional<double> got = ParseReal(text);
  ASSERT_TRUE(got.has_value()) << text;
  EXPECT_EQ(Bits(*got), Bits(expected)) << text;
}

TEST(ParseRealEquivalence, RandomPlainDecimalsMatchFromChars) {
  std::mt19937_64 random(1207);
  std::uniform_int_distribution<int> length(0, 21);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> coin(0, 3);
  for (int n = 0; n < 300000; ++n) {
    const int intDigits = length(random);
    const int fracDigits = length(random);
    if (intDigits + fracDigits == 0) continue;
    std::string number;
    // Leading digits often large so that the digit count, not only the value, reaches the limits.
    for (int k = 0; k < intDigits; ++k) number += static_cast<char>('0' + (coin(random) == 0 ? 9 : digit(random)));
    const bool point = fracDigits > 0 || coin(random) == 0;
    if (point) number += '.';
    for (int k = 0; k < fracDigits; ++k) number += static_cast<char>('0' + digit(random));
    const int sign = coin(random);  // none, "+", "-", none
    const bool negative = sign == 2;
    std::string text = coin(random) == 0 ? "  " : "";
    if (sign == 1) text += '+';
    if (negative) text += '-';
    text += number;
    if (coin(random) == 0) text += ' ';
    ExpectSame(text, Reference(number, negative));
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(ParseRealEquivalence, LimitsOfTheShortcutMatchFromChars) {
  const char* const numbers[] = {
      "9007199254740992",     "9007199254740993",     "9007199254740991",  "900719925474099.3",
      "0.9007199254740993",   "9999999999999999999",  "99999999999999999999", "1844674407370955161.5",
      "0.0000000000000000001", "0.00000000000000000001", "123456789.0123456789", "0.1", "0.3",
      "45.912345",             "6.100070",             "0",                  "0.",  ".0", "000000000000000000005",
      "4503599627370497.5",    "2.2250738585072011e-308", "1e22", "1e23", "8.5e-1",
  };
  for (const char* number : numbers) {
    SCOPED_TRACE(number);
    ExpectSame(number, Reference(number, false));
    ExpectSame(std::string("-") + number, Reference(number, true));
  }
}

}  // namespace
}  // namespace tessaly
