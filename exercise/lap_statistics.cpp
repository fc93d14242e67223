#include "exercise/lap_statistics.h"

#include "util/conversions.h"

namespace tessaly {

namespace {

// Running values of one lap, all zero at its start. Sums are 64-bit so that a long lap of large
// values cannot overflow them.
struct LapAccumulators {
  std::uint16_t MaxHeartRate = 0;
  std::uint16_t MaxCadence = 0;
  std::uint16_t MaxPower = 0;
  double MaxSpeed = 0.0;
  std::int64_t HeartRateSum = 0, HeartRateCount = 0;
  std::int64_t CadenceSum = 0, CadenceCount = 0;
  std::int64_t PowerSum = 0, PowerCount = 0;
  std::int64_t Ascent = 0, Descent = 0;
};

void FinishLap(LapDataRecord& lap, const LapAccumulators& acc, double endDistance,
               const LapStore& laps, std::int32_t j) {
  // Only what the file left at zero is filled; the order matters, as Distance feeds AvgSpeed.
  if (lap.TotalDistance == 0.0) lap.TotalDistance = endDistance;
  if (lap.Distance == 0.0) {
    if (j == 0) {
      lap.Distance = endDistance;
    } else {
      LapDataRecord previous{};
      laps.GetLap(j - 1, previous);
      lap.Distance = endDistance - previous.TotalDistance;
    }
  }
  if (lap.MaxHeartRate == 0) lap.MaxHeartRate = static_cast<std::uint8_t>(acc.MaxHeartRate);
  if (lap.AvgHeartRate == 0 && acc.HeartRateCount > 0)
    lap.AvgHeartRate = static_cast<std::uint8_t>(acc.HeartRateSum / acc.HeartRateCount);
  if (lap.AvgSpeed == 0.0) {
    lap.AvgSpeed = lap.Distance > 0.0 && lap.Duration > 0.0 ? lap.Distance * 3600.0 / lap.Duration : 0.0;
  }
  if (lap.MaxSpeed == 0.0) lap.MaxSpeed = acc.MaxSpeed;
  if (lap.AvgCadence == 0 && acc.CadenceCount > 0)
    lap.AvgCadence = static_cast<std::uint8_t>(acc.CadenceSum / acc.CadenceCount);
  if (lap.MaxCadence == 0) lap.MaxCadence = static_cast<std::uint8_t>(acc.MaxCadence);
  if (lap.AvgPower == 0.0 && acc.PowerCount > 0)
    lap.AvgPower = static_cast<double>(acc.PowerSum / acc.PowerCount);
  if (lap.MaxPower == 0.0) lap.MaxPower = acc.MaxPower;
  if (lap.Ascent == 0.0) lap.Ascent = static_cast<double>(acc.Ascent);
  if (lap.Descent == 0.0) lap.Descent = static_cast<double>(acc.Descent);
}

}  // namespace

std::int32_t DeriveLapStatistics(const SampleStore& samples, LapStore& laps, std::int32_t ahFactor) {
  // One cursor for all laps: a lap starts at the sample after the one that ended the lap before.
  std::int32_t cursor = -1;
  const std::int32_t last = samples.Count() - 1;
  const std::int32_t lapCount = laps.Count();
  for (std::int32_t j = 0; j < lapCount; ++j) {
    LapDataRecord lap{};
    laps.GetLap(j, lap);
    LapAccumulators acc;
    const std::int64_t endSecond = TruncateToInt64(lap.EndOffset);
    double reference = samples.GetAlt(cursor < 0 ? 0 : cursor);
    for (;;) {
      if (cursor >= last) {
        // The samples ran out before this lap reached its end (a writer's lap times rounded past
        // the last sample): a lap that took samples ends at the last one; a lap that took none,
        // and every later lap, stays as read.
        if (acc.PowerCount > 0) {  // power counts every sample the lap took
          FinishLap(lap, acc, samples.GetDist(cursor), laps, j);
          laps.SetLap(j, lap);
        }
        return lapCount;
      }
      const std::int32_t i = ++cursor;
      // Altitude with hysteresis: small steps count only once together they pass the threshold.
      const double alt = samples.GetAlt(i);
      if (alt > reference + ahFactor) {
        acc.Ascent += RoundHalfAway(alt - reference);
        reference = alt;
      } else if (alt < reference - ahFactor) {
        acc.Descent += RoundHalfAway(reference - alt);
        reference = alt;
      }
      const double spd = samples.GetSpd(i);
      if (spd > acc.MaxSpeed) acc.MaxSpeed = spd;
      const std::uint8_t hr = samples.GetHr(i);
      if (hr != 0) {
        if (hr > acc.MaxHeartRate) acc.MaxHeartRate = hr;
        acc.HeartRateSum += hr;
        ++acc.HeartRateCount;
      }
      const std::uint8_t cad = samples.GetCad(i);
      if (cad != 0) {
        if (cad > acc.MaxCadence) acc.MaxCadence = cad;
        acc.CadenceSum += cad;
        ++acc.CadenceCount;
      }
      // Power counts every sample, zeros included, by its whole watts.
      const double pwr = samples.GetPwr(i);
      if (pwr > acc.MaxPower) acc.MaxPower = TruncateToUInt16(pwr);
      acc.PowerSum += TruncateToInt32(pwr);
      ++acc.PowerCount;
      // The sample that reaches the lap's end belongs to the lap.
      if (samples.GetTimeOffset(i) >= endSecond) break;
    }
    FinishLap(lap, acc, samples.GetDist(cursor), laps, j);
    laps.SetLap(j, lap);
  }
  return lapCount;
}

CadencePowerTotals ComputeCadencePowerTotals(const SampleStore& samples) {
  CadencePowerTotals totals;
  std::int64_t cadenceSum = 0, powerSum = 0;
  const std::int32_t count = samples.Count();
  for (std::int32_t i = 0; i < count; ++i) {
    // Over the whole workout, zero cadence counts too.
    const std::uint8_t cad = samples.GetCad(i);
    if (cad > totals.MaxCadence) totals.MaxCadence = cad;
    cadenceSum += cad;
    const double pwr = samples.GetPwr(i);
    if (pwr > totals.MaxPower) totals.MaxPower = TruncateToUInt16(pwr);
    powerSum += TruncateToInt32(pwr);
  }
  if (count > 0) {
    totals.AvgCadence = static_cast<std::uint16_t>(cadenceSum / count);
    totals.AvgPower = static_cast<std::uint16_t>(powerSum / count);
  }
  return totals;
}

}  // namespace tessaly
