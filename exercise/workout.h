// One workout as import and export see it: what the host pushes before an export, and what an
// import hands the host afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "exercise/stores.h"
#include "exercise/records.h"

namespace tessaly {

// What a workout holds besides its samples, laps and athlete: what the import reads from the
// file's header and summary, and what the host's log summary record carries.
struct WorkoutSummary {
  LogSummaryRecord Summary{};  // all zero
  std::string Comment;
  // Watts from the file's summary; the host finds them on samples 5 and 6 of an import.
  std::int32_t SummaryAvgPower = 0;
  std::int32_t SummaryMaxPower = 0;
};

struct Workout : WorkoutSummary {
  Workout() = default;
  // Everything empty around stores that already exist, so that no second set of arrays is made.
  Workout(SampleStore&& samples, LapStore&& laps) noexcept : Samples(std::move(samples)), Laps(std::move(laps)) {}

  std::string UserName;
  SampleStore Samples;
  LapStore Laps;
};

}  // namespace tessaly
