// The machine's zone through the C library, which follows TZ when it is set.
#include <ctime>
#include <limits>

#include "platform/time_zone.h"

namespace tessaly::platform {

bool LocalOffsetMinutesAt(std::int64_t utcUnixSeconds, std::int32_t& minutes) {
  if (utcUnixSeconds < std::numeric_limits<std::time_t>::min() ||
      utcUnixSeconds > std::numeric_limits<std::time_t>::max())
    return false;
  const auto t = static_cast<std::time_t>(utcUnixSeconds);
  tzset();  // pick up a TZ changed since the last call
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return false;
  minutes = static_cast<std::int32_t>(local.tm_gmtoff / 60);
  return true;
}

LocalTimeNow CurrentLocalTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tzset();
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
          local.tm_sec > 59 ? 59 : local.tm_sec,  // a leap second still fits the day
          static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace tessaly::platform
