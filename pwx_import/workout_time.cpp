#include "pwx_import/workout_time.h"

#include "platform/time_zone.h"

namespace tessaly {

void ReadWorkoutTime(std::string_view text, ImportState& state) {
  std::int32_t textOffsetMinutes = 0;
  state.ParsedTime = ParsePwxTime(text, state.TimeIsUtc, textOffsetMinutes);
  if (!state.TimeIsUtc) return;  // a time without the designator is local already
  // An empty text leaves no time to shift, and must not fix the import's offset at day zero.
  if (state.ParsedTime == 0.0) return;
  const std::int64_t utc = ToUnixSeconds(state.ParsedTime) - static_cast<std::int64_t>(textOffsetMinutes) * 60;
  if (!state.ZoneOffsetMinutes) {
    std::int32_t minutes = 0;
    if (!platform::LocalOffsetMinutesAt(utc, minutes)) minutes = 0;
    state.ZoneOffsetMinutes = minutes;
  }
  // Shifted in whole seconds, so dates before 1899-12-30 move the right way too.
  state.ParsedTime = FromUnixSeconds(utc + static_cast<std::int64_t>(*state.ZoneOffsetMinutes) * 60);
}

}  // namespace tessaly
