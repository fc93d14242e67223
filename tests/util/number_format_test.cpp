#include "util/number_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tessaly {
namespace {

std::string Fixed(double v, int decimals) {
  char text[kMaxFixedLength];
  return {text, WriteFixed(text, v, decimals)};
}

struct FixedCase {
  double v;
  int decimals;
  std::string expected;
};

TEST(WriteFixed, RoundsHalfUpInMagnitudeAfterEighteenDigits) {
  const FixedCase cases[] = {
      {250.5, 0, "251"},
      {-0.0005, 3, "-0.001"},
      {0.0005, 3, "0.001"},
      {0.125, 2, "0.13"},    // exact tie: the C library would give 0.12
      {-0.125, 2, "-0.13"},
      {2.5, 0, "3"},
      {0.5, 0, "1"},
      {-7.25, 1, "-7.3"},
      {3.5, 0, "4"},
      {1000000000000000.5, 0, "1000000000000001"},
      {-1000000000000000.5, 0, "-1000000000000001"},
      {1152921504606846976.0, 0, "1152921504606846980"},  // 2^60: 18 digits, then zeros
      {1.005, 2, "1.00"},    // 1.00499999999999989...
      {0.05, 1, "0.1"},
      {0.999, 2, "1.00"},
      {99.5, 0, "100"},
      {9.9995, 3, "9.999"},  // 9.99949999999999939...
      {0.0004, 3, "0.000"},
      {0.00005, 3, "0.000"},
      {6e-7, 6, "0.000001"},
      {1e-7, 6, "0.000000"},
      {123.456, 6, "123.456000"},
      {45.123456789, 6, "45.123457"},
      {12.0, 1, "12.0"},
      {1234567.891, 2, "1234567.89"},
      {0.1, 3, "0.100"},
      {1e20, 3, "100000000000000000000.000"},
      {0.0, 3, "0.000"},
      {0.0, 0, "0"},
      {9.5, 0, "10"},
      {0.95, 1, "0.9"},    // 0.94999999999999996...
      {1.0 / 3.0, 6, "0.333333"},
      {2.0 / 3.0, 6, "0.666667"},
      // Scaled values on both sides of 2^31 and 2^32, where the digits change from 32-bit to
      // 64-bit arithmetic.
      {2147483647.0, 0, "2147483647"},
      {2147483647.5, 0, "2147483648"},
      {2147483648.0, 0, "2147483648"},
      {-2147483648.5, 0, "-2147483649"},
      {21474836.47, 2, "21474836.47"},
      {2147.4836475, 6, "2147.483648"},  // 2147.48364750000010...
      {4294967.2955, 3, "4294967.296"},  // 4294967.29550000000745...
      {4294967296.25, 1, "4294967296.3"},
      {180.0, 6, "180.000000"},
      {-179.9999995, 6, "-180.000000"},  // -179.99999950000000...: the rounding carries into the whole part
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Fixed(c.v, c.decimals), c.expected);
  }
}

TEST(WriteFixed, SignOfZeroAndNonFiniteValues) {
  // A negative value keeps its sign even when it rounds to zero; negative zero is not negative.
  const FixedCase cases[] = {
      {-0.0, 3, "0.000"},
      {-0.0004, 3, "-0.000"},
      {-0.4, 0, "-0"},
      {std::numeric_limits<double>::quiet_NaN(), 3, "nan"},
      {std::numeric_limits<double>::infinity(), 2, "inf"},
      {-std::numeric_limits<double>::infinity(), 2, "-inf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Fixed(c.v, c.decimals), c.expected);
  }
}

TEST(WriteFixed, HugeValuesKeepEighteenDigits) {
  const std::string s = Fixed(1e300, 0);
  ASSERT_EQ(s.size(), 301u);
  EXPECT_EQ(s.substr(0, 18), "100000000000000005");  // 1e300 is 1.00000000000000005e300 in binary
  EXPECT_EQ(s.find_first_not_of('0', 18), std::string::npos);
  EXPECT_EQ(Fixed(-std::numeric_limits<double>::max(), 1).substr(0, 20), "-1797693134862315710");
}

TEST(WriteInteger, PrintsDecimalIntegers) {
  const struct {
    std::int64_t v;
    std::string expected;
  } cases[] = {
      {0, "0"}, {42, "42"}, {-5, "-5"}, {255, "255"},
      // Both sides of the 32-bit range.
      {2147483647, "2147483647"}, {2147483648, "2147483648"},
      {-2147483648LL, "-2147483648"}, {-2147483649LL, "-2147483649"},
      {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
      {std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    char text[kMaxIntegerLength];
    EXPECT_EQ(std::string(text, WriteInteger(text, c.v)), c.expected);
  }
}

}  // namespace
}  // namespace tessaly
