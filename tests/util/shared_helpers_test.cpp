// The header-only helpers the plug-in and the command-line host share.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "util/ascii.h"
#include "util/civil_date.h"
#include "platform/path.h"
#include "util/units.h"

namespace tessaly {
namespace {

TEST(EqualsLowerAscii, FoldsAsciiLettersOnly) {
  const struct {
    const char* text;
    const char* lower;
    bool equal;
  } cases[] = {
      {".PWX", ".pwx", true},      {".pWx", ".pwx", true},   {".pwx", ".pwx", true},
      {".pwxx", ".pwx", false},    {".pw", ".pwx", false},   {"", "", true},
      {"\xC4r", "\xE4r", false},   // a Latin-1 capital stays as written
      {"[", "{", false},           // 32 below '{', but no capital
      {"@Z", "`z", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EqualsLowerAscii(c.text, c.lower), c.equal);
  }
  EXPECT_EQ(LowerAscii('Q'), 'q');
  EXPECT_EQ(LowerAscii('\xD6'), '\xD6');
}

TEST(FolderOf, EachPathStyleKeepsRootsAndDrives) {
  const struct {
    const char* path;
    PathStyle style;
    const char* folder;
  } cases[] = {
      {"/home/a/ride.pwx", PathStyle::Posix, "/home/a"},
      {"/ride.pwx", PathStyle::Posix, "/"},
      {"ride.pwx", PathStyle::Posix, "."},
      {"a\\b.pwx", PathStyle::Posix, "."},      // a backslash belongs to a POSIX name
      {"C:ride.pwx", PathStyle::Posix, "."},
      {"C:\\logs\\ride.pwx", PathStyle::Windows, "C:\\logs"},
      {"C:/logs/ride.pwx", PathStyle::Windows, "C:/logs"},
      {"C:\\ride.pwx", PathStyle::Windows, "C:\\"},
      {"C:ride.pwx", PathStyle::Windows, "C:."},
      {"\\ride.pwx", PathStyle::Windows, "\\"},
      {"/lib/tessaly.so", PathStyle::Windows, "/lib"},
      {"/tessaly.so", PathStyle::Windows, "/"},
      {"ride.pwx", PathStyle::Windows, "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FolderOf(c.path, c.style), c.folder);
  }
}

TEST(CivilDate, DayNumbersFromTheUnixEpoch) {
  const struct {
    int year, month, day;
    std::int64_t days;
  } cases[] = {
      {1970, 1, 1, 0},         {1969, 12, 31, -1},        {1899, 12, 30, -25569},
      {2000, 2, 29, 11016},    {2000, 3, 1, 11017},       {1900, 3, 1, -25508},
      {1, 1, 1, -719162},      {9999, 12, 31, 2932896},   {10000, 1, 1, 2932897},
      {0, 12, 31, -719163},    {-1, 1, 1, -719893},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day));
    EXPECT_EQ(DaysFromCivil(c.year, c.month, c.day), c.days);
    const CivilDate back = CivilFromDays(c.days);
    EXPECT_EQ(back.Year, c.year);
    EXPECT_EQ(back.Month, c.month);
    EXPECT_EQ(back.Day, c.day);
  }
}

TEST(Units, SpeedBothWays) {
  EXPECT_EQ(KmhToMetresPerSecond(36.0), 10.0);
  EXPECT_EQ(KmhToMetresPerSecond(0.0), 0.0);
  EXPECT_EQ(MetresPerSecondToKmh(10.0), 36.0L);
  // Multiplied first: 0.1 * 1000 rounds to exactly 100, and 100 / 3600 rounds once.
  EXPECT_EQ(KmhToMetresPerSecond(0.1), 0.027777777777777776);
}

}  // namespace
}  // namespace tessaly
