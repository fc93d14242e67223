#include "util/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tessaly {
namespace {

struct RealCase {
  std::string text;
  bool ok;
  double value;
};

TEST(ParseReal, AcceptsTheRealSyntaxOnly) {
  const RealCase cases[] = {
      {"1e3", true, 1000.0},
      {"+7", true, 7.0},
      {"-0.5", true, -0.5},
      {" 42 ", true, 42.0},
      {"   42", true, 42.0},
      {"42   ", true, 42.0},
      {"5.", true, 5.0},
      {".5", true, 0.5},
      {"-.25", true, -0.25},
      {"1E-2", true, 0.01},
      {"  -1.5e+2  ", true, -150.0},
      {"2.5E2", true, 250.0},
      {"0", true, 0.0},
      {"007.250", true, 7.25},
      {"0.1", true, 0.1},
      {"1e-400", true, 0.0},       // too small to hold reads as zero
      {"0e999", true, 0.0},        // zero stays zero whatever the exponent
      {"0.0000001e-320", true, 0.0},
      {"1.7976931348623157e308", true, 1.7976931348623157e308},
      {"123456789012345678901234567890", true, 1.2345678901234568e29},
      // Nine digits and more: where gathering the digits leaves 32 bits.
      {"999999999", true, 999999999.0},
      {"4294967296", true, 4294967296.0},
      {"45.12345678", true, 45.12345678},
      {"-45.123456789", true, -45.123456789},
      {"0000000001.5", true, 1.5},
      {"9007199254740993", true, 9007199254740992.0},  // 2^53 + 1: ties to even
      {"1234567890123456789", true, 1234567890123456789.0},
      {"", false, 0},
      {" ", false, 0},
      {"12,5", false, 0},
      {"0x10", false, 0},
      {"1 000", false, 0},
      {".", false, 0},
      {"+", false, 0},
      {"-", false, 0},
      {"e5", false, 0},
      {".e5", false, 0},
      {"1e", false, 0},
      {"1e+", false, 0},
      {"1.2.3", false, 0},
      {"inf", false, 0},
      {"nan", false, 0},
      {"1e999", false, 0},          // too large to hold
      {"-1e999", false, 0},
      {"\t1", true, 1.0},          // XML whitespace counts as blanks, as pretty-printers write
      {"1\t", true, 1.0},
      {"\n  142\n", true, 142.0},
      {"\r\n\t-2.5e1 \r\n", true, -25.0},
      {"\n\t", false, 0},
      {"1\n000", false, 0},       // nothing inside a number changes
      {"1\v", false, 0},          // only the four XML whitespace characters
      {"\f1", false, 0},
      {"--1", false, 0},
      {"+-1", false, 0},
      {"- 1", false, 0},
      {"1 e3", false, 0},
      {"1.5x", false, 0},
      {"1e3.5", false, 0},
      {std::string("1\0", 2), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    const auto r = ParseReal(c.text);
    ASSERT_EQ(r.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*r, c.value);
    }
  }
}

TEST(ParseReal, KeepsTheSignOfZero) {
  const auto r = ParseReal("-0");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(*r, 0.0);
  EXPECT_TRUE(std::signbit(*r));
}

struct IntCase {
  std::string text;
  bool ok;
  std::int32_t value;
};

TEST(ParseInteger, AcceptsDecimalAndHexadecimalWithinThirtyTwoBits) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  const IntCase cases[] = {
      {"0x10", true, 16},
      {"05", true, 5},
      {"  42", true, 42},
      {"$ff", true, 255},
      {"xFF", true, 255},
      {"X1a", true, 26},
      {"0X7fffffff", true, kMax},
      {"2147483647", true, kMax},
      {"-2147483648", true, kMin},
      {"-0x80000000", true, kMin},
      {"+7", true, 7},
      {"-$10", true, -16},
      {"0", true, 0},
      {"-0", true, 0},
      {"00000000000000000001", true, 1},
      {"90.0", false, 0},
      {"42 ", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"0x80000000", false, 0},
      {"$FFFFFFFF", false, 0},
      {"99999999999999999999", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"x", false, 0},
      {"1e3", false, 0},
      {"+-1", false, 0},
      {"- 1", false, 0},
      {"12a", false, 0},
      {"0x1g", false, 0},
      {"$-1", false, 0},
      {"\t1", true, 1},           // XML whitespace before, as before a real
      {"\r\n  0x10", true, 16},
      {"42\n", false, 0},         // but still nothing after
      {"\v1", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    const auto r = ParseInteger(c.text);
    ASSERT_EQ(r.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*r, c.value);
    }
  }
}

}  // namespace
}  // namespace tessaly
