// Lap values the file left empty, filled from the samples; whole-workout cadence and power.
#pragma once

#include <cstdint>

#include "exercise/stores.h"

namespace tessaly {

// One pass over the samples, lap by lap, filling each lap field that is still zero. ahFactor is
// the altitude hysteresis in metres. Returns the lap count.
std::int32_t DeriveLapStatistics(const SampleStore& samples, LapStore& laps, std::int32_t ahFactor);

struct CadencePowerTotals {
  std::uint16_t MaxCadence = 0;
  std::uint16_t MaxPower = 0;
  std::uint16_t AvgCadence = 0;
  std::uint16_t AvgPower = 0;
};
CadencePowerTotals ComputeCadencePowerTotals(const SampleStore& samples);

}  // namespace tessaly
