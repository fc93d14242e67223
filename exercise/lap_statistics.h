// Lap values the file left empty, filled from the samples; whole-workout cadence and power; the
// climb by the altitude threshold, for a lap and for a whole workout.
#pragma once

#include <cstdint>

#include "exercise/stores.h"

namespace tessaly {

// One pass over the samples, lap by lap, filling each lap field that is still zero. ahFactor is
// the altitude hysteresis in metres. Returns the lap count.
std::int32_t DeriveLapStatistics(const SampleStore& samples, LapStore& laps, std::int32_t ahFactor);

// The whole workout's climb by the laps' rule (a change counts once it passes ahFactor metres from
// the last altitude counted, each counted change rounded to whole metres): the samples taken lap by lap as DeriveLapStatistics
// takes them, each lap's climb from where the lap before it ended, and the samples after the last
// lap as one stretch more. Over laps that take every sample it is the sum of the laps' own.
struct Climb {
  std::int64_t Ascent = 0;
  std::int64_t Descent = 0;
};
Climb WorkoutClimb(const SampleStore& samples, const LapStore& laps, std::int32_t ahFactor);

struct CadencePowerTotals {
  std::uint16_t MaxCadence = 0;
  std::uint16_t MaxPower = 0;
  std::uint16_t AvgCadence = 0;
  std::uint16_t AvgPower = 0;
};
CadencePowerTotals ComputeCadencePowerTotals(const SampleStore& samples);

}  // namespace tessaly
