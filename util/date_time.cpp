#include "util/date_time.h"

#include <cmath>
#include <optional>

#include "platform/time_zone.h"
#include "util/ascii.h"
#include "util/civil_date.h"
#include "util/number_text.h"

namespace tessaly {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day numbers of 0001-01-01 and 9999-12-31 counted from 1899-12-30.
constexpr std::int64_t kFirstDay = -693593;
constexpr std::int64_t kLastDay = 2958465;
static_assert(DaysFromCivil(1, 1, 1) - kDateTimeEpochDay == kFirstDay);
static_assert(DaysFromCivil(9999, 12, 31) - kDateTimeEpochDay == kLastDay);

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// A date and a time of day joined the classic way: before 1899-12-30 the day number is negative
// and the time still counts forward from the start of that day, so it is subtracted.
DateTime Combine(DateTime date, DateTime time) { return date >= 0 ? date + time : date - time; }

// Whole milliseconds of a value, day and time of day, rounded to the nearest millisecond.
struct Split {
  std::int64_t Days;  // signed day number, as the integral part of the value
  std::int64_t MsOfDay;
};

std::optional<Split> SplitValue(DateTime value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double magnitude = std::round(std::fabs(value) * static_cast<double>(kMsPerDay));
  // Beyond the last representable day the value means nothing as a date.
  if (magnitude > static_cast<double>((kLastDay + 2) * kMsPerDay) ) return std::nullopt;
  const auto ms = static_cast<std::int64_t>(magnitude);
  const std::int64_t days = ms / kMsPerDay;
  return Split{value < 0 ? -days : days, ms % kMsPerDay};
}

// A cut of n characters from the 1-based position p; a text shorter than p is cut from the start.
std::string_view Cut(std::string_view text, std::size_t p, std::size_t n) {
  const std::size_t start = text.size() < p ? 0 : p - 1;
  return text.substr(start, n);
}

using number_text::IsDigit;

bool TwoDigits(std::string_view text, int& value) {
  if (text.size() != 2 || !IsDigit(text[0]) || !IsDigit(text[1])) return false;
  value = (text[0] - '0') * 10 + (text[1] - '0');
  return true;
}

// Minutes east of UTC that the part of a time text after its seconds names: an optional
// fraction, then "Z" (0, whatever follows, as a "Z" right after the seconds always read), or an
// offset +hh:mm, +hhmm or +hh (or with "-"), hours up to 23 and minutes up to 59, ending the text.
// None for anything else: the time is local.
std::optional<std::int32_t> DesignatorMinutes(std::string_view tail) {
  if (!tail.empty() && tail.front() == '.') {
    std::size_t n = 1;
    while (n < tail.size() && IsDigit(tail[n])) ++n;
    if (n == 1) return std::nullopt;
    tail.remove_prefix(n);
  }
  if (tail.empty()) return std::nullopt;
  if (tail.front() == 'Z' || tail.front() == 'z') return 0;
  if (tail.front() != '+' && tail.front() != '-') return std::nullopt;
  const int sign = tail.front() == '-' ? -1 : 1;
  tail.remove_prefix(1);
  std::string_view minutesText;
  if (tail.size() == 5 && tail[2] == ':') {
    minutesText = tail.substr(3);
  } else if (tail.size() == 4) {
    minutesText = tail.substr(2);
  } else if (tail.size() != 2) {
    return std::nullopt;
  }
  int hours = 0, minutes = 0;
  if (!TwoDigits(tail.substr(0, 2), hours) || (!minutesText.empty() && !TwoDigits(minutesText, minutes)) ||
      hours > 23 || minutes > 59)
    return std::nullopt;
  return sign * (hours * 60 + minutes);
}

std::string Padded(int value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

}  // namespace

DateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    throw DateTimeError("not a valid date");
  return static_cast<double>(DaysFromCivil(year, month, day) - kDateTimeEpochDay);
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    throw DateTimeError("not a valid time of day");
  const std::int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000LL + millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

CivilDateTime DecodeDateTime(DateTime value) {
  const std::optional<Split> split = SplitValue(value);
  if (!split || split->Days < kFirstDay || split->Days > kLastDay)
    throw DateTimeError("date outside the years 1 to 9999");
  const CivilDate c = CivilFromDays(split->Days + kDateTimeEpochDay);
  const auto ms = static_cast<int>(split->MsOfDay);
  return {c.Year, c.Month, c.Day, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
}

DateTime ParsePwxTime(std::string_view text, bool& timeIsUtc, std::int32_t& utcOffsetMinutes) {
  if (text.empty()) return 0.0;
  text = Trimmed(text);

  const std::optional<std::int32_t> designator =
      text.size() > 19 ? DesignatorMinutes(text.substr(19)) : std::nullopt;
  timeIsUtc = designator.has_value();
  utcOffsetMinutes = designator.value_or(0);

  auto year = ParseInteger(text.substr(0, 4));
  auto month = ParseInteger(Cut(text, 6, 2));
  auto day = ParseInteger(Cut(text, 9, 2));
  if (!year || !month || !day) year = month = day = 0;
  auto hour = ParseInteger(Cut(text, 12, 2));
  auto minute = ParseInteger(Cut(text, 15, 2));
  auto second = ParseInteger(Cut(text, 18, 2));
  if (!hour || !minute || !second) hour = minute = second = 0;

  return Combine(EncodeDate(*year, *month, *day), EncodeTime(*hour, *minute, *second, 0));
}

// A UTC time near either end of the calendar may shift past it (9999-12-31T23:30:00Z is in the
// year 10000 east of Greenwich), and the workout still imports.
DateTime FromUnixSeconds(std::int64_t unixSeconds) {
  const std::int64_t dayFromUnix = unixSeconds >= 0 ? unixSeconds / 86400 : -((-unixSeconds + 86399) / 86400);
  const auto secOfDay = static_cast<int>(unixSeconds - dayFromUnix * 86400);
  return Combine(static_cast<DateTime>(dayFromUnix - kDateTimeEpochDay),
                 EncodeTime(secOfDay / 3600, secOfDay / 60 % 60, secOfDay % 60, 0));
}

std::int64_t ToUnixSeconds(DateTime value) {
  const CivilDateTime c = DecodeDateTime(value);
  return DaysFromCivil(c.Year, c.Month, c.Day) * 86400 + c.Hour * 3600 + c.Minute * 60 + c.Second;
}

PwxDateTimeText FormatPwxDateTime(DateTime value) {
  const CivilDateTime c = DecodeDateTime(value);
  return {Padded(c.Year, 4) + "-" + Padded(c.Month, 2) + "-" + Padded(c.Day, 2),
          Padded(c.Hour, 2) + ":" + Padded(c.Minute, 2) + ":" + Padded(c.Second, 2)};
}

DateTime SecondsToDateTime(std::int32_t seconds) {
  // The hour count is taken as 16 bits; a negative count leaves negative minutes or seconds,
  // which the time of day rejects.
  const int hours = static_cast<std::uint16_t>(seconds / 3600);
  return static_cast<double>(hours / 24) + EncodeTime(hours % 24, seconds % 3600 / 60, seconds % 60, 0);
}

std::int32_t SecondsOfDay(DateTime value) {
  // Only the time of day counts, rounded to the millisecond first (10:20:29.9996 is 10:20:30). A
  // value that is no date at all has no time of day either.
  const std::optional<Split> split = SplitValue(value);
  if (!split) return 0;
  return static_cast<std::int32_t>(split->MsOfDay / 1000);
}

DateTime LocalNow() {
  const platform::LocalTimeNow now = platform::CurrentLocalTime();
  return Combine(EncodeDate(now.Year, now.Month, now.Day),
                 EncodeTime(now.Hour, now.Minute, now.Second, now.Millisecond));
}

}  // namespace tessaly
