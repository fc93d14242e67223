#include "util/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>

namespace tessaly {
namespace {

std::string Text(const CivilDateTime& c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", c.Year, c.Month, c.Day, c.Hour,
                c.Minute, c.Second, c.Millisecond);
  return buf;
}

TEST(EncodeDate, CountsDaysFromTheEpochDay) {
  const struct {
    int y, m, d;
    double expected;
  } cases[] = {
      {1899, 12, 30, 0.0},   {1899, 12, 31, 1.0},  {1900, 1, 1, 2.0},       {2016, 5, 24, 42514.0},
      {2016, 1, 3, 42372.0}, {1, 1, 1, -693593.0}, {9999, 12, 31, 2958465.0}, {1850, 6, 15, -18095.0},
      {2000, 2, 29, 36585.0}, {1899, 12, 29, -1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.expected);
  }
}

TEST(EncodeDate, EveryDayOfTheCalendarFollowsTheOneBefore) {
  // Walks 0001-01-01 to 9999-12-31 with its own month lengths; each day must be one more than the
  // day before and decode back to itself.
  double expected = -693593.0;
  int failures = 0;
  for (int y = 1; y <= 9999 && failures < 5; ++y) {
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int lengths[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= lengths[m - 1]; ++d, expected += 1.0) {
        const double got = EncodeDate(y, m, d);
        const CivilDateTime back = DecodeDateTime(got);
        if (got != expected || back.Year != y || back.Month != m || back.Day != d) {
          ADD_FAILURE() << y << "-" << m << "-" << d << " gave " << got << ", expected " << expected;
          ++failures;
        }
      }
    }
  }
  EXPECT_EQ(expected, 2958466.0);
}

TEST(EncodeDate, RejectsImpossibleDates) {
  const struct {
    int y, m, d;
  } cases[] = {
      {2016, 2, 30}, {2015, 2, 29}, {1900, 2, 29}, {0, 1, 1},  {10000, 1, 1}, {2016, 13, 1},
      {2016, 0, 1},  {2016, 1, 0},  {2016, 4, 31}, {0, 0, 0},  {-5, 1, 1},    {2016, 1, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    EXPECT_THROW(EncodeDate(c.y, c.m, c.d), DateTimeError);
  }
}

TEST(EncodeTime, RejectsTimesOutsideTheDay) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
  const struct {
    int h, m, s, ms;
  } cases[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, -1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.h) + ":" + std::to_string(c.m) + ":" + std::to_string(c.s));
    EXPECT_THROW(EncodeTime(c.h, c.m, c.s, c.ms), DateTimeError);
  }
}

TEST(DecodeDateTime, IsExactForWholeMilliseconds) {
  const CivilDateTime dates[] = {
      {1, 1, 1}, {1582, 10, 15}, {1850, 6, 15}, {1899, 12, 29}, {1899, 12, 30}, {1900, 2, 28},
      {1900, 3, 1}, {1970, 1, 1}, {2000, 2, 29}, {2016, 5, 24}, {2038, 1, 19}, {9999, 12, 31},
  };
  const int times[][4] = {
      {0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 999}, {6, 0, 0, 0}, {10, 20, 30, 250}, {12, 0, 0, 0},
      {23, 59, 59, 999}, {13, 45, 10, 123},
  };
  for (const auto& d : dates) {
    for (const auto& t : times) {
      CivilDateTime want = d;
      want.Hour = t[0];
      want.Minute = t[1];
      want.Second = t[2];
      want.Millisecond = t[3];
      SCOPED_TRACE(Text(want));
      const double day = EncodeDate(d.Year, d.Month, d.Day);
      const double time = EncodeTime(t[0], t[1], t[2], t[3]);
      // Before the epoch day the time of day still counts forward from the start of the day.
      const double value = day >= 0 ? day + time : day - time;
      EXPECT_EQ(Text(DecodeDateTime(value)), Text(want));
    }
  }
}

TEST(DecodeDateTime, NegativeValuesCountTheTimeForward) {
  EXPECT_EQ(Text(DecodeDateTime(-1.25)), "1899-12-29 06:00:00.000");
  EXPECT_EQ(Text(DecodeDateTime(-0.5)), "1899-12-30 12:00:00.000");
  EXPECT_EQ(Text(DecodeDateTime(0.0)), "1899-12-30 00:00:00.000");
}

TEST(DecodeDateTime, RejectsValuesThatAreNoDate) {
  const double cases[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e300, -1e300, 2958466.0, -693594.0};
  for (double v : cases) {
    SCOPED_TRACE(v);
    EXPECT_THROW(DecodeDateTime(v), DateTimeError);
  }
}

struct ParseCase {
  std::string text;
  std::string expected;  // "" for a conversion error
  bool utc;
  std::int32_t offsetMinutes = 0;  // east of UTC, as the designator names it
};

TEST(ParsePwxTime, CutsFieldsFromFixedPositions) {
  const ParseCase cases[] = {
      {"2016-05-24T10:20:30Z", "2016-05-24 10:20:30.000", true},
      {"2016-05-24T10:20:30z", "2016-05-24 10:20:30.000", true},
      {"2016-05-24T10:20:30", "2016-05-24 10:20:30.000", false},
      {"2016-05-24T10:20:30.250Z", "2016-05-24 10:20:30.000", true},  // the fraction dropped
      {"2016-05-24T10:20:30+02:00", "2016-05-24 10:20:30.000", true, 120},
      {"2016-05-24T10:20:30.5-05:30", "2016-05-24 10:20:30.000", true, -330},
      {"2016-05-24T10:20:30+0200", "2016-05-24 10:20:30.000", true, 120},
      {"2016-05-24T10:20:30-03", "2016-05-24 10:20:30.000", true, -180},
      {"2016-05-24T10:20:30.250", "2016-05-24 10:20:30.000", false},   // no designator
      {"2016-05-24T10:20:30.Z", "2016-05-24 10:20:30.000", false},     // a point without digits
      {"2016-05-24T10:20:30+24:00", "2016-05-24 10:20:30.000", false}, // hours up to 23
      {"2016-05-24T10:20:30+02:60", "2016-05-24 10:20:30.000", false}, // minutes up to 59
      {"2016-05-24T10:20:30+02:00x", "2016-05-24 10:20:30.000", false},
      {"  2016-05-24T10:20:30Z  ", "2016-05-24 10:20:30.000", true},
      {"\t2016-05-24T10:20:30Z\r\n", "2016-05-24 10:20:30.000", true},
      {"2016/05/24 10.20.30", "2016-05-24 10:20:30.000", false},
      {"2016-05-24", "2016-05-24 20:20:20.000", false},
      {"2016-05-24T1", "2016-05-24 01:20:20.000", false},
      {"2016-05-24Txx:20:30", "2016-05-24 00:00:00.000", false},
      {"2016-05-24T10:20:3x", "2016-05-24 00:00:00.000", false},
      {"0001-01-01T00:00:00", "0001-01-01 00:00:00.000", false},
      {"9999-12-31T23:59:59Z", "9999-12-31 23:59:59.000", true},
      {"1850-06-15T13:45:10", "1850-06-15 13:45:10.000", false},
      {"2016-02-29T00:00:00", "2016-02-29 00:00:00.000", false},
      {"2016-13-24T10:20:30", "", false},
      {"2016-05-24T10:20:60", "", false},
      {"2016-05-24T24:00:00", "", false},
      {"2016-05-24T10:60:00", "", false},
      {"2015-02-29T10:00:00", "", false},
      {"abcd-05-24T10:20:30", "", false},
      {"2016-0x-24T10:20:30", "", false},
      {"   ", "", false},
      {"Z", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    bool utc = !c.utc;  // must be overwritten
    std::int32_t offset = 999;
    if (c.expected.empty()) {
      EXPECT_THROW(ParsePwxTime(c.text, utc, offset), DateTimeError);
      continue;
    }
    const DateTime v = ParsePwxTime(c.text, utc, offset);
    EXPECT_EQ(Text(DecodeDateTime(v)), c.expected);
    EXPECT_EQ(utc, c.utc);
    EXPECT_EQ(offset, c.offsetMinutes);
  }
}

TEST(ParsePwxTime, BlanksOnlyAreNoUtcTime) {
  bool utc = true;
  std::int32_t offset = 0;
  EXPECT_THROW(ParsePwxTime("    ", utc, offset), DateTimeError);
  EXPECT_FALSE(utc);
}

TEST(ParsePwxTime, EmptyTextIsNoDateAndLeavesTheFlag) {
  for (bool flag : {false, true}) {
    bool utc = flag;
    std::int32_t offset = 60;
    EXPECT_EQ(ParsePwxTime("", utc, offset), 0.0);
    EXPECT_EQ(utc, flag);
    EXPECT_EQ(offset, 60);
  }
}

TEST(FormatPwxDateTime, RoundsToTheMillisecondFirst) {
  const double may24 = EncodeDate(2016, 5, 24);
  const struct {
    double v;
    std::string date, time;
  } cases[] = {
      {may24 + (37230.9996 / 86400.0), "2016-05-24", "10:20:31"},
      {may24 + (37230.9994 / 86400.0), "2016-05-24", "10:20:30"},
      {EncodeDate(2016, 1, 3) + EncodeTime(9, 5, 7, 0), "2016-01-03", "09:05:07"},
      {EncodeDate(2016, 12, 31) + (86399.9996 / 86400.0), "2017-01-01", "00:00:00"},
      {0.0, "1899-12-30", "00:00:00"},
      {-1.25, "1899-12-29", "06:00:00"},
      {EncodeDate(1, 1, 1), "0001-01-01", "00:00:00"},
      {EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 0), "9999-12-31", "23:59:59"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date + "T" + c.time);
    const PwxDateTimeText t = FormatPwxDateTime(c.v);
    EXPECT_EQ(t.Date, c.date);
    EXPECT_EQ(t.Time, c.time);
  }
  EXPECT_THROW(FormatPwxDateTime(std::numeric_limits<double>::quiet_NaN()), DateTimeError);
}

TEST(SecondsToDateTime, GivesDaysAndTimeOfDay) {
  const struct {
    std::int32_t seconds;
    const char* text;
  } cases[] = {
      {0, "1899-12-30 00:00:00.000"},       {43200, "1899-12-30 12:00:00.000"},
      {86400, "1899-12-31 00:00:00.000"},   {90061, "1899-12-31 01:01:01.000"},
      {178200, "1900-01-01 01:30:00.000"},  {3 * 86400 + 59, "1900-01-02 00:00:59.000"},
      {2147483647, "1900-10-05 03:14:07.000"},  // 596523 hours, taken as 16 bits: 6699
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(Text(DecodeDateTime(SecondsToDateTime(c.seconds))), c.text);
  }
  EXPECT_NEAR(SecondsToDateTime(90061), 1.0423726851851851, 1e-12);
  // A negative count leaves a negative second or minute, which is no time of day.
  EXPECT_THROW(SecondsToDateTime(-1), DateTimeError);
  EXPECT_THROW(SecondsToDateTime(-3661), DateTimeError);
}

TEST(SecondsOfDay, DropsDaysAndMilliseconds) {
  const double may24 = EncodeDate(2016, 5, 24);
  const struct {
    double v;
    std::int32_t expected;
  } cases[] = {
      {may24 + EncodeTime(10, 20, 30, 0), 37230},
      {may24 + EncodeTime(10, 20, 30, 999), 37230},
      {may24 + (37229.9996 / 86400.0), 37230},
      {may24 + (86399.9996 / 86400.0), 0},
      {0.0, 0},
      {-1.25, 21600},
      {SecondsToDateTime(90061), 3661},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 0},
      {1e300, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(SecondsOfDay(c.v), c.expected);
  }
}

// Local time lies within the widest zone offsets, 14 hours, of the system clock's UTC.
TEST(LocalNow, FollowsTheSystemClock) {
  const DateTime utc = FromUnixSeconds(std::time(nullptr));
  const DateTime now = LocalNow();
  EXPECT_LE(std::fabs(now - utc), 14.1 / 24.0);
  EXPECT_LE(now, LocalNow());
}

}  // namespace
}  // namespace tessaly
