// UTC workout times become local time by the machine's own zone rules. Natively each case sets
// TZ itself; a Windows build cannot change its zone from inside, so there a case runs only when
// the program was started in that zone (TZ=Europe/Berlin wine import_tests.exe).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ctime>
#include <string>

#include "platform/time_zone.h"
#include "pwx_import/workout_time.h"
#include "test_support.h"
#include "util/date_time.h"

namespace tessaly {
namespace {

std::string Text(DateTime v) {
  const PwxDateTimeText t = FormatPwxDateTime(v);
  return t.Date + "T" + t.Time;
}

using test::ZoneScope;

struct ZoneCase {
  std::string zone;
  std::string text;
  std::string expected;
  std::optional<std::int32_t> offsetMinutes;
};

const ZoneCase kZoneCases[] = {
    {"Europe/Berlin", "2016-05-24T10:20:30Z", "2016-05-24T12:20:30", 120},
    {"Europe/Berlin", "2016-01-24T10:20:30Z", "2016-01-24T11:20:30", 60},
    {"Europe/Berlin", "2016-03-27T00:59:59Z", "2016-03-27T01:59:59", 60},
    {"Europe/Berlin", "2016-03-27T01:00:00Z", "2016-03-27T03:00:00", 120},
    {"Europe/Berlin", "2016-10-30T00:59:59Z", "2016-10-30T02:59:59", 120},
    {"Europe/Berlin", "2016-10-30T01:00:00Z", "2016-10-30T02:00:00", 60},
    {"Europe/Berlin", "2016-12-31T23:30:00Z", "2017-01-01T00:30:00", 60},
    {"Europe/Berlin", "2016-05-24T10:20:30", "2016-05-24T10:20:30", std::nullopt},
    {"Europe/Berlin", "2015-08-10T09:54:33.604Z", "2015-08-10T11:54:33", 120},
    {"Europe/Berlin", "2015-08-10T04:54:33-05:00", "2015-08-10T11:54:33", 120},
    {"Europe/Berlin", "2016-01-24T10:20:30+0530", "2016-01-24T05:50:30", 60},
    {"America/New_York", "2015-08-10T09:54:33.604Z", "2015-08-10T05:54:33", -240},
    {"America/New_York", "2016-01-24T15:00:00Z", "2016-01-24T10:00:00", -300},
    {"America/New_York", "2016-03-20T15:00:00Z", "2016-03-20T11:00:00", -240},
    {"America/New_York", "2016-01-01T03:00:00Z", "2015-12-31T22:00:00", -300},
    {"America/New_York", "2016-03-20T15:00:00", "2016-03-20T15:00:00", std::nullopt},
    {"Asia/Kolkata", "2016-05-24T10:20:30Z", "2016-05-24T15:50:30", 330},
    {"Asia/Kolkata", "2016-01-24T20:00:00Z", "2016-01-25T01:30:00", 330},
    {"UTC", "2016-05-24T10:20:30Z", "2016-05-24T10:20:30", 0},
    {"UTC", "2016-01-24T23:59:59z", "2016-01-24T23:59:59", 0},
};

TEST(ReadWorkoutTime, UtcTimesBecomeLocalByTheZoneRules) {
  int ran = 0;
  for (const auto& c : kZoneCases) {
    SCOPED_TRACE(c.zone + " " + c.text);
    ZoneScope scope(c.zone);
    if (!scope.Active()) continue;
    ++ran;
    ImportState state;
    ReadWorkoutTime(c.text, state);
    EXPECT_EQ(Text(state.ParsedTime), c.expected);
    EXPECT_EQ(state.ZoneOffsetMinutes, c.offsetMinutes);
  }
  if (ran == 0) GTEST_SKIP() << "this system's zone cannot be set from inside; start it with TZ set to one of the zones";
}

TEST(ReadWorkoutTime, TheFirstUtcOffsetHoldsForTheWholeImport) {
  ZoneScope scope("Europe/Berlin");
  if (!scope.Active()) GTEST_SKIP() << "start with TZ=Europe/Berlin to run this";
  ImportState state;
  ReadWorkoutTime("2016-05-24T10:20:30", state);  // local: the offset is not needed yet
  EXPECT_FALSE(state.ZoneOffsetMinutes);
  ReadWorkoutTime("", state);
  EXPECT_FALSE(state.ZoneOffsetMinutes);
  ReadWorkoutTime("2016-05-24T10:20:30Z", state);
  EXPECT_EQ(state.ZoneOffsetMinutes, 120);
  // A winter time later in the same import keeps the summer offset found first.
  ReadWorkoutTime("2016-01-24T10:20:30Z", state);
  EXPECT_EQ(Text(state.ParsedTime), "2016-01-24T12:20:30");
  EXPECT_EQ(state.ZoneOffsetMinutes, 120);
}

TEST(ReadWorkoutTime, AKnownOffsetIsReusedWhateverTheZone) {
  const struct {
    std::int32_t offset;
    std::string text, expected;
  } cases[] = {
      {330, "2016-05-24T10:20:30Z", "2016-05-24T15:50:30"},
      {-300, "2016-01-01T03:00:00Z", "2015-12-31T22:00:00"},
      {0, "2016-05-24T10:20:30Z", "2016-05-24T10:20:30"},
      {60, "1899-12-29T23:30:00Z", "1899-12-30T00:30:00"},  // across the epoch day
      {-60, "1899-12-30T00:30:00Z", "1899-12-29T23:30:00"},
      {-120, "1850-06-15T01:00:00Z", "1850-06-14T23:00:00"},
      {120, "2016-05-24T10:20:30", "2016-05-24T10:20:30"},  // local text: no shift
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ImportState state;
    state.ZoneOffsetMinutes = c.offset;
    ReadWorkoutTime(c.text, state);
    EXPECT_EQ(Text(state.ParsedTime), c.expected);
    EXPECT_EQ(state.ZoneOffsetMinutes, c.offset);
  }
}

TEST(ReadWorkoutTime, EmptyTextGivesNoTimeAndKeepsTheFlag) {
  ImportState state;
  state.ParsedTime = 5.0;
  state.TimeIsUtc = true;
  ReadWorkoutTime("", state);
  EXPECT_EQ(state.ParsedTime, 0.0);
  EXPECT_TRUE(state.TimeIsUtc);
  EXPECT_FALSE(state.ZoneOffsetMinutes);
}

TEST(ReadWorkoutTime, ImpossibleTimesAreAConversionError) {
  ImportState state;
  EXPECT_THROW(ReadWorkoutTime("2016-13-24T10:20:30Z", state), DateTimeError);
  EXPECT_THROW(ReadWorkoutTime("   ", state), DateTimeError);
}

TEST(ReadWorkoutTime, AShiftPastEitherEndOfTheCalendarStillGivesATime) {
  const struct {
    std::int32_t offset;
    const char* text;
    DateTime expected;
  } cases[] = {
      // 10000-01-01T00:30: day 2958466 (the day after 9999-12-31), plus 30 of 1440 minutes.
      {60, "9999-12-31T23:30:00Z", 2958466.0 + 30.0 / 1440.0},
      // 0000-12-31T23:30: day -693594 (the day before 0001-01-01); before 1899 the time of day
      // counts forward from the start of that day, so it is subtracted.
      {-60, "0001-01-01T00:30:00Z", -693594.0 - 1410.0 / 1440.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ImportState state;
    state.ZoneOffsetMinutes = c.offset;
    ReadWorkoutTime(c.text, state);
    EXPECT_DOUBLE_EQ(state.ParsedTime, c.expected);
  }
}

TEST(LocalOffsetMinutesAt, FollowsSummerTime) {
  const struct {
    std::string zone;
    std::int64_t unixSeconds;
    std::int32_t minutes;
  } cases[] = {
      {"Europe/Berlin", 1464085230, 120},     // 2016-05-24T10:20:30Z
      {"Europe/Berlin", 1453630830, 60},      // 2016-01-24T10:20:30Z
      {"America/New_York", 1458486000, -240}, // 2016-03-20T15:00:00Z
      {"Asia/Kolkata", 1464085230, 330},
      {"UTC", 1464085230, 0},
  };
  int ran = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zone);
    ZoneScope scope(c.zone);
    if (!scope.Active()) continue;
    ++ran;
    std::int32_t minutes = -1;
    ASSERT_TRUE(platform::LocalOffsetMinutesAt(c.unixSeconds, minutes));
    EXPECT_EQ(minutes, c.minutes);
  }
  if (ran == 0) GTEST_SKIP() << "this system's zone cannot be set from inside; start it with TZ set to one of the zones";
}

}  // namespace
}  // namespace tessaly
