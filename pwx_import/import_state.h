// The running state of one PWX import, carried from one element to the next.
#pragma once

#include <cstdint>
#include <optional>

#include "util/date_time.h"

namespace tessaly {

struct ImportState {
  std::int32_t SampleIndex = -1;     // index of the last sample stored
  double LastDistance = 0.0;         // km, the cumulative distance known so far
  double LastLatitude = 0.0;         // the last latitude stored
  double LastLongitude = 0.0;        // the last longitude stored
  DateTime ParsedTime = 0.0;         // the last time text read
  bool TimeIsUtc = false;            // the last non-empty time text was marked UTC
  // Minutes east of UTC of the machine's zone at the first UTC time of the import, then reused;
  // none until that first UTC time.
  std::optional<std::int32_t> ZoneOffsetMinutes;
  DateTime WorkoutStart = 0.0;       // the first non-zero ParsedTime
  std::uint32_t SegmentCaloriesTotal = 0;
};

}  // namespace tessaly
