// AppendFixed and WriteFixed take a shortcut for ordinary magnitudes. These tests hold it to the plain digit
// rule, kept here as the reference: 18 significant digits, then cut with the first cut digit
// deciding, half up in magnitude.
#include "util/number_format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace tessaly {
namespace {

std::string ReferenceFixed(double v, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  std::string out;
  if (std::isnan(v)) return "nan";
  if (v < 0.0) out += '-';
  if (std::isinf(v)) return out + "inf";

  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 17);
  std::string digits;
  const char* p = buf;
  for (; p != res.ptr && *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = 0;
  if (p != res.ptr) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);

  const int keep = exponent + 1 + decimals;
  const int total = static_cast<int>(digits.size());
  std::string kept;
  if (keep <= 0) {
    kept.assign(static_cast<std::size_t>(decimals + 1), '0');
    if (keep == 0 && digits[0] >= '5') kept.back() = '1';
  } else {
    std::string body = digits.substr(0, static_cast<std::size_t>(keep < total ? keep : total));
    if (keep > total) body.append(static_cast<std::size_t>(keep - total), '0');
    if (keep < total && digits[static_cast<std::size_t>(keep)] >= '5') {
      std::size_t i = body.size();
      while (i > 0) {
        --i;
        if (body[i] == '9') {
          body[i] = '0';
        } else {
          ++body[i];
          break;
        }
        if (i == 0) {
          body.insert(body.begin(), '1');
          break;
        }
      }
    }
    const int intDigits = static_cast<int>(body.size()) - decimals;
    if (intDigits < 1) body.insert(0, static_cast<std::size_t>(1 - intDigits), '0');
    kept = std::move(body);
  }
  const std::size_t intLen = kept.size() - static_cast<std::size_t>(decimals);
  out.append(kept, 0, intLen);
  if (decimals > 0) {
    out += '.';
    out.append(kept, intLen, std::string::npos);
  }
  return out;
}

void ExpectSame(double v, int decimals) {
  std::string appended = "<";
  AppendFixed(appended, v, decimals);
  const std::string expected = ReferenceFixed(v, decimals);
  // The same text written into a buffer, within the room promised for it.
  char buffer[kMaxFixedLength + 1];
  std::memset(buffer, '#', sizeof buffer);
  const char* const end = WriteFixed(buffer, v, decimals);
  EXPECT_LE(end - buffer, static_cast<std::ptrdiff_t>(kMaxFixedLength));
  EXPECT_EQ(buffer[kMaxFixedLength], '#');
  EXPECT_EQ(std::string(static_cast<const char*>(buffer), end), expected);
  if (appended != "<" + expected) {
    char shortest[40];
    const auto r = std::to_chars(shortest, shortest + sizeof shortest, v);
    ADD_FAILURE() << "value " << std::string(shortest, r.ptr) << " with " << decimals
                  << " decimals: got " << appended.substr(1) << ", expected " << expected;
  }
}

TEST(FormatFixedEquivalence, HandPickedValuesMatchTheDigitRule) {
  const double values[] = {
      0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.0625, 1.005, 9.9995, 99.5, 0.9995, 0.99949999999999994,
      999999.9999995, 1234.5678, 45.912345, 6.1234565, 6.1234575, 0.0000005, 0.00000049999999999999,
      1e-300, 5e-324, 4398046511103.5, 4398046511104.0, 4398046511104.5, 1e15 + 0.5, 1e17, 1e22,
      1e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
      std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::quiet_NaN(), 0.1, 0.2, 0.3, 0.7, 2.675, 1.0 / 3.0, 2.0 / 3.0,
  };
  for (const double v : values) {
    for (int decimals = -1; decimals <= 7; ++decimals) {
      SCOPED_TRACE(decimals);
      ExpectSame(v, decimals);
      ExpectSame(-v, decimals);
    }
  }
}

// Values as the writer meets them: decimal text of a few digits read back, times unit factors.
TEST(FormatFixedEquivalence, DecimalValuesAndUnitConversionsMatchTheDigitRule) {
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<std::int64_t> mantissa(0, 99999999999);
  std::uniform_int_distribution<int> scale(0, 9);
  const double factors[] = {1.0, 1000.0, 1000.0 / 3600.0, 3.6, 0.001};
  for (int n = 0; n < 200000; ++n) {
    // A decimal number with 0..9 fraction digits, as text would hold it.
    const auto m = static_cast<double>(mantissa(random));
    const double v = m / std::pow(10.0, scale(random)) * factors[n % 5];
    ExpectSame(v, n % 7);
    if (::testing::Test::HasFailure()) return;
  }
}

// Halves and near-halves at every precision: where the shortcut must hand over.
TEST(FormatFixedEquivalence, TiesAndNearTiesMatchTheDigitRule) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<std::int64_t> whole(0, 9999999);
  std::uniform_int_distribution<int> nudge(-3, 3);
  for (int n = 0; n < 200000; ++n) {
    const int decimals = n % 7;
    double v = (static_cast<double>(whole(random)) + 0.5) / std::pow(10.0, decimals);
    for (int k = nudge(random); k != 0; k += k > 0 ? -1 : 1) {
      v = std::nextafter(v, k > 0 ? 2.0 * v + 1.0 : 0.0);
    }
    ExpectSame(v, decimals);
    if (::testing::Test::HasFailure()) return;
  }
}

// Arbitrary bit patterns: every magnitude, subnormals included.
TEST(FormatFixedEquivalence, RandomBitPatternsMatchTheDigitRule) {
  std::mt19937_64 random(42);
  for (int n = 0; n < 200000; ++n) {
    const std::uint64_t bits = random();
    double v = 0.0;
    std::memcpy(&v, &bits, sizeof v);
    ExpectSame(v, n % 7);
    if (::testing::Test::HasFailure()) return;
  }
}

// Magnitudes around the shortcut's limit and the sizes the writer really uses.
TEST(FormatFixedEquivalence, RandomMagnitudesMatchTheDigitRule) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> exponent(-8.0, 14.0);
  for (int n = 0; n < 200000; ++n) {
    const double v = std::pow(10.0, exponent(random));
    ExpectSame(v, n % 7);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace tessaly
