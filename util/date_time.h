// DateTime: days since 1899-12-30 00:00 local time as a double; the fraction is the time of day.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly {

using DateTime = double;

// An impossible date or time of day. The document reader catches it and fails the import.
class DateTimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CivilDateTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Proleptic Gregorian, years 1..9999; throw DateTimeError outside.
DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond);
// Rounds to the nearest whole millisecond first. Before 1899-12-30 the fraction still counts
// forward from the start of the day (-1.25 is 1899-12-29 06:00). Throws DateTimeError for a value
// that is no date: not finite, or outside the years 1..9999.
CivilDateTime DecodeDateTime(DateTime value);

// YYYY-MM-DDThh:mm:ss, fields from fixed positions, then optionally a fraction of a second
// (dropped) and a zone designator: "Z"/"z", or an offset +hh:mm, +hhmm, +hh (or "-"). The time is
// the text's own; timeIsUtc tells whether a designator marked it and utcOffsetMinutes (east of
// UTC, 0 for "Z") what it named, so that the UTC instant is the time minus that offset. Empty
// text gives 0.0 and leaves both alone. Throws DateTimeError for impossible values.
DateTime ParsePwxTime(std::string_view text, bool& timeIsUtc, std::int32_t& utcOffsetMinutes);

// Whole seconds since 1970-01-01 00:00 of a date and time, the milliseconds dropped. Throws
// DateTimeError as DecodeDateTime does.
std::int64_t ToUnixSeconds(DateTime value);
// Plain arithmetic on the day number, with no calendar check: a time shifted by a zone offset near
// either end of the calendar may lie past it and still be a value.
DateTime FromUnixSeconds(std::int64_t unixSeconds);

struct PwxDateTimeText {
  std::string Date;  // YYYY-MM-DD
  std::string Time;  // hh:mm:ss
};
// Throws DateTimeError as DecodeDateTime does.
PwxDateTimeText FormatPwxDateTime(DateTime value);

// A count of seconds as days and time of day. Defined for counts of 0 and more; a negative count
// throws DateTimeError.
DateTime SecondsToDateTime(std::int32_t seconds);
// Seconds since midnight after rounding to the millisecond; 0 for a value that is no date.
std::int32_t SecondsOfDay(DateTime value);

// The current local date and time.
DateTime LocalNow();

}  // namespace tessaly
