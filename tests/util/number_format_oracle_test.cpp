// The writer's fixed-decimal text held to the rule, worked out here without any of the writer's
// code: 18 significant digits from the C library's "%.17e", then decimal text cut after the last
// place shown, half up in magnitude. The value families reach both of the writer's ways: its quick
// one for ordinary magnitudes, and its exact one for near-halves and very large values.
#include "util/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace tessaly {
namespace {

// n (one digit at least) with its last `decimals` digits after a point.
std::string WithPoint(std::string n, int decimals) {
  const auto places = static_cast<std::size_t>(decimals);
  if (n.size() <= places) n.insert(0, places + 1 - n.size(), '0');
  if (places > 0) n.insert(n.size() - places, ".");
  return n;
}

std::string Oracle(double v, int decimals) {
  decimals = std::clamp(decimals, 0, 6);
  if (std::isnan(v)) return "nan";
  const std::string sign = v < 0.0 ? "-" : "";
  if (std::isinf(v)) return sign + "inf";
  // Only the digits and the exponent are read: whatever radix character the process's locale
  // puts between them does not matter.
  char text[64];
  std::snprintf(text, sizeof text, "%.17e", std::fabs(v));
  std::string digits;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (std::isdigit(static_cast<unsigned char>(*p))) digits += *p;
  }
  const long exponent = std::strtol(p + 1, nullptr, 10);
  // value * 10^decimals = 0.<digits> * 10^point
  const long point = exponent + 1 + decimals;
  if (point < 0) return sign + WithPoint("0", decimals);
  // A leading zero takes a carry; zeros after the 18 digits fill up to the point.
  std::string n = "0" + digits + std::string(static_cast<std::size_t>(std::max(0L, point - 18)), '0');
  const auto cut = static_cast<std::size_t>(point + 1);  // where the first digit cut stands
  if (cut < n.size() && n[cut] >= '5') {
    std::size_t i = cut;
    while (n[--i] == '9') n[i] = '0';
    ++n[i];
  }
  n.resize(cut);
  n.erase(0, std::min(n.find_first_not_of('0'), n.size() - 1));
  return sign + WithPoint(n, decimals);
}

void ExpectAsTheRuleSays(double v, int decimals) {
  const std::string expected = Oracle(v, decimals);
  char buffer[kMaxFixedLength + 1];
  std::memset(buffer, '#', sizeof buffer);
  const char* const end = WriteFixed(buffer, v, decimals);
  EXPECT_LE(end - buffer, static_cast<std::ptrdiff_t>(kMaxFixedLength));
  EXPECT_EQ(buffer[kMaxFixedLength], '#');  // nothing written past the room promised
  const std::string written(static_cast<const char*>(buffer), end);
  if (written != expected) {
    ADD_FAILURE() << "value " << std::hexfloat << v << " with " << decimals << " decimals: wrote " << written
                  << ", the rule says " << expected;
  }
}

TEST(WriteFixedOracle, HandPickedValues) {
  const double values[] = {
      0.0, 0.5, 1.5, 2.5, 0.125, 0.0625, 1.005, 9.9995, 99.5, 0.9995, 0.99949999999999994,
      999999.9999995, 1234.5678, 45.912345, 6.1234565, 6.1234575, 0.0000005, 0.00000049999999999999,
      1e-300, 5e-324, 4398046511103.5, 4398046511104.0, 4398046511104.5, 1e15 + 0.5, 1e17, 1e22,
      1e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
      std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
      0.1, 0.3, 0.7, 2.675, 1.0 / 3.0, 2.0 / 3.0, 999999999999999999.0, 9.5e-7, 4.5e-7,
  };
  for (const double v : values) {
    for (int decimals = -1; decimals <= 7; ++decimals) {
      ExpectAsTheRuleSays(v, decimals);
      ExpectAsTheRuleSays(-v, decimals);
    }
  }
}

// Each family draws 200,000 values and stops at the first one written wrongly.
void ExpectFamily(double (*draw)(std::mt19937_64&, int decimals), std::uint64_t seed) {
  std::mt19937_64 random(seed);
  for (int n = 0; n < 200000 && !::testing::Test::HasFailure(); ++n) {
    const int decimals = n % 7;
    ExpectAsTheRuleSays(draw(random, decimals), decimals);
  }
}

TEST(WriteFixedOracle, RandomFamilies) {
  // Values as the writer meets them: decimal text of a few digits read back, times unit factors.
  ExpectFamily(
      [](std::mt19937_64& random, int) {
        const double factors[] = {1.0, 1000.0, 1000.0 / 3600.0, 3.6, 0.001};
        const auto mantissa = static_cast<double>(random() % 100000000000);
        return mantissa / std::pow(10.0, static_cast<double>(random() % 10)) * factors[random() % 5];
      },
      20261207);
  // Halves and their neighbours a few steps away at every precision: where the quick way must
  // hand over to the exact one.
  ExpectFamily(
      [](std::mt19937_64& random, int decimals) {
        double v = (static_cast<double>(random() % 10000000) + 0.5) / std::pow(10.0, decimals);
        for (int k = static_cast<int>(random() % 7) - 3; k != 0; k += k > 0 ? -1 : 1) {
          v = std::nextafter(v, k > 0 ? 2.0 * v + 1.0 : 0.0);
        }
        return v;
      },
      7);
  // Arbitrary bit patterns: every magnitude, subnormals and negatives included.
  ExpectFamily(
      [](std::mt19937_64& random, int) {
        const std::uint64_t bits = random();
        double v = 0.0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
      },
      42);
  // Magnitudes on both sides of the quick way's limit.
  ExpectFamily(
      [](std::mt19937_64& random, int) {
        return std::pow(10.0, std::uniform_real_distribution<double>(-8.0, 19.0)(random));
      },
      99);
}

}  // namespace
}  // namespace tessaly
