#include "util/conversions.h"
#include "util/sport_types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace tessaly {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(TruncateToInt64, SaturatesBeyondTheRange) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  const struct {
    double v;
    std::int64_t expected;
  } cases[] = {
      {1.9, 1},        {-1.9, -1},       {-0.0, 0},        {0.999999, 0},
      {kNaN, 0},       {kInf, kMax},     {-kInf, kMin},    {1e300, kMax},
      {-1e300, kMin},  {9.3e18, kMax},   {-9.3e18, kMin},  {9223372036854775808.0, kMax},
      {-9223372036854775808.0, kMin},    {4503599627370497.0, 4503599627370497},
      // Either side of the 32-bit range, where the quick conversion hands over to the wide one.
      {2147483647.9, 2147483647},        {2147483648.0, 2147483648},
      {-2147483648.9, -2147483648},      {-2147483649.0, -2147483649},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.v));
    EXPECT_EQ(TruncateToInt64(c.v), c.expected);
  }
}

TEST(Truncate, KeepsTheDestinationsLowBits) {
  EXPECT_EQ(TruncateToUInt8(256.7), 0);
  EXPECT_EQ(TruncateToUInt8(300.0), 44);
  EXPECT_EQ(TruncateToUInt8(-1.0), 255);
  EXPECT_EQ(TruncateToUInt8(180.9), 180);
  EXPECT_EQ(TruncateToUInt8(kNaN), 0);
  EXPECT_EQ(TruncateToUInt16(65537.5), 1);
  EXPECT_EQ(TruncateToUInt16(-2.5), 65534);
  EXPECT_EQ(TruncateToInt32(4294967297.0), 1);
  EXPECT_EQ(TruncateToInt32(2147483648.0), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TruncateToInt32(-7.9), -7);
  EXPECT_EQ(TruncateToInt32(1e300), -1);  // low bits of the saturated 2^63 - 1
}

TEST(RoundHalfAway, RoundsHalvesAwayFromZero) {
  const struct {
    double v;
    std::int32_t expected;
  } cases[] = {
      {0.5, 1},     {-0.5, -1},   {0.0, 0},     {-0.0, 0},   {2.5, 3},
      {-2.5, -3},   {2.4999, 2},  {-0.4, 0},    {1.5, 2},    {-1.5, -2},
      {0.49999999999999994, 0},   {-0.49999999999999994, 0}, {2147483647.4, 2147483647},
      {-2147483648.4, std::numeric_limits<std::int32_t>::min()},
      {kNaN, 0},    {1e300, -1},  {-1e300, 0},  {kInf, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.v));
    EXPECT_EQ(RoundHalfAway(c.v), c.expected);
  }
}

TEST(PedalBalanceToRightShare, ReadsTheBalanceByte) {
  const struct {
    double v;
    std::int32_t expected;
  } cases[] = {
      {48.0, 52},  {180.0, 52}, {48.9, 52}, {0.0, 0},   {-5.0, 0},  {100.0, 0},
      {300.0, 56}, {128.0, 0},  {255.0, 127}, {129.0, 1}, {1.0, 99}, {kNaN, 0},
      {-kInf, 0},  {1e300, 127},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.v));
    EXPECT_EQ(PedalBalanceToRightShare(c.v), c.expected);
  }
}

TEST(SportTypes, ImportTableMatchesWholeTextCaseSensitively) {
  const struct {
    std::string text;
    std::optional<std::uint8_t> code;
  } cases[] = {
      {"Run", 2},        {"Bike", 3},         {"Walk", 2},        {"Swim", 6},
      {"Mountain Bike", 4},                   {"Cross train", 5}, {"bike", std::nullopt},
      {"BIKE", std::nullopt},                 {" Bike", std::nullopt},
      {"Bike ", std::nullopt},                {"XC Ski", std::nullopt},
      {"Other", std::nullopt},                {"", std::nullopt}, {"Cross Train", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    EXPECT_EQ(ImportCodeOfSportText(c.text), c.code);
  }
}

TEST(SportTypes, HostLookupsGoBackThroughEachTable) {
  EXPECT_EQ(ExportCodeOfSportText("Walk"), 3);
  EXPECT_EQ(ExportCodeOfSportText("Other"), 5);
  EXPECT_EQ(ExportCodeOfSportText("walk"), std::nullopt);
  EXPECT_EQ(SportTextOfImportCode(2), "Run");  // shared with Walk: the first row wins
  EXPECT_EQ(SportTextOfImportCode(4), "Mountain Bike");
  EXPECT_EQ(SportTextOfImportCode(1), std::nullopt);
}

}  // namespace
}  // namespace tessaly
