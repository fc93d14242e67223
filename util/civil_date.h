// Proleptic Gregorian dates and day numbers counted from 1970-01-01. Exact in integers over the
// calendar's own range (years -32767 to 32767), far wider than any day number the log or a PWX
// file can carry. Header-only with no dependency, so the command-line host shares it without
// linking the core.
#pragma once

#include <chrono>
#include <cstdint>

namespace tessaly {

// 1899-12-30, day 0 of the host's dates (DateTime), counted from 1970-01-01.
inline constexpr std::int64_t kDateTimeEpochDay = -25569;

struct CivilDate {
  int Year, Month, Day;
};

// The date must exist (no 30 February); callers check it first.
constexpr std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::chrono::sys_days date{std::chrono::year{year} / month / day};
  return static_cast<std::int64_t>(date.time_since_epoch().count());
}

constexpr CivilDate CivilFromDays(std::int64_t days) {
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day()))};
}

static_assert(DaysFromCivil(1899, 12, 30) == kDateTimeEpochDay);

}  // namespace tessaly
