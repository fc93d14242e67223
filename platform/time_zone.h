// The machine's clock and time-zone rules.
#pragma once

#include <cstdint>

namespace tessaly::platform {

// Minutes east of UTC that local time stands at the given UTC instant (seconds since
// 1970-01-01T00:00:00Z), summer time included, by the machine's own zone rules. False when the
// system cannot tell.
bool LocalOffsetMinutesAt(std::int64_t utcUnixSeconds, std::int32_t& minutes);

struct LocalTimeNow {
  int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
LocalTimeNow CurrentLocalTime();

}  // namespace tessaly::platform
