// The running state of one PWX import, carried from one element to the next.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/date_time.h"

namespace tessaly {

// The zone offset has not been worked out yet in this import.
inline constexpr std::int32_t ZoneOffsetNotSet = -666;

struct ImportState {
  std::int32_t SampleIndex = -1;     // index of the sample being read
  double LastDistance = 0.0;         // km, the cumulative distance known so far
  double LastLatitude = 0.0;         // the last latitude stored
  double LastLongitude = 0.0;        // the last longitude stored
  DateTime ParsedTime = 0.0;         // the last time text read
  bool TimeIsUtc = false;            // the last non-empty time text was marked UTC
  // Minutes east of UTC of the machine's zone at the first UTC time of the import, then reused.
  std::int32_t ZoneOffsetMinutes = ZoneOffsetNotSet;
  DateTime WorkoutStart = 0.0;       // the first non-zero ParsedTime
  std::uint32_t SegmentCaloriesTotal = 0;
};

// Parses into state.ParsedTime; a UTC time becomes local time by the machine's zone rules, with
// the offset worked out at the first non-empty UTC time of the import and reused after. Throws
// DateTimeError for an impossible date or time of day.
void ReadWorkoutTime(std::string_view text, ImportState& state);

}  // namespace tessaly
