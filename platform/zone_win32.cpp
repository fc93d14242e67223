// The machine's zone through Windows: the system's own conversion of a UTC time to local time.
#include <windows.h>

#include "platform/time_zone.h"

namespace tessaly::platform {

namespace {

// FILETIME counts 100 ns ticks from 1601-01-01; Unix seconds start 11644473600 s later.
constexpr std::int64_t kUnixToFileTimeSeconds = 11644473600LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::int64_t Ticks(const FILETIME& ft) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

}  // namespace

bool LocalOffsetMinutesAt(std::int64_t utcUnixSeconds, std::int32_t& minutes) {
  // SYSTEMTIME covers the years 1601 to 30827.
  if (utcUnixSeconds < -kUnixToFileTimeSeconds || utcUnixSeconds > 910692730085LL) return false;
  const auto ticks = static_cast<std::uint64_t>((utcUnixSeconds + kUnixToFileTimeSeconds) * kTicksPerSecond);
  FILETIME utcFt;
  utcFt.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  utcFt.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&utcFt, &utc)) return false;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return false;
  FILETIME localFt;
  if (!SystemTimeToFileTime(&local, &localFt)) return false;
  const std::int64_t diff = Ticks(localFt) - Ticks(utcFt);
  minutes = static_cast<std::int32_t>(diff / (60 * kTicksPerSecond));
  return true;
}

LocalTimeNow CurrentLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace tessaly::platform
