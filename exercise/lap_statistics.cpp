#include "exercise/lap_statistics.h"

#include <cstdint>
#include <limits>

#include "util/conversions.h"

namespace tessaly {

namespace {

// Ascent and descent with the altitude threshold: a change counts once it passes ahFactor metres
// from the last altitude counted, so that small steps count only once together they pass it; each
// counted change is rounded to whole metres.
class AltitudeClimb {
 public:
  AltitudeClimb(double start, std::int32_t ahFactor) : reference_(start), ahFactor_(ahFactor) {}
  void Add(double altitude) {
    if (altitude > reference_ + ahFactor_) {
      ascent_ += RoundHalfAway(altitude - reference_);
      reference_ = altitude;
    } else if (altitude < reference_ - ahFactor_) {
      descent_ += RoundHalfAway(reference_ - altitude);
      reference_ = altitude;
    }
  }
  std::int64_t Ascent() const { return ascent_; }
  std::int64_t Descent() const { return descent_; }

 private:
  double reference_;
  std::int32_t ahFactor_;
  std::int64_t ascent_ = 0, descent_ = 0;
};

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

// The samples one lap takes, each handed to take(i): from the one after cursor, which the lap
// before took last, up to the first whose whole second reaches endSecond; the sample that reaches
// the lap's end belongs to the lap. Returns false when the samples ran out first (a writer's lap
// times rounded past the last sample), cursor then at the last sample.
template <class Take>
bool TakeLapSamples(const SampleStore& samples, std::int32_t& cursor, std::int64_t endSecond, Take take) {
  const std::int32_t last = samples.Count() - 1;
  while (cursor < last) {
    const std::int32_t i = ++cursor;
    take(i);
    if (samples.GetTimeOffset(i) >= endSecond) return true;
  }
  return false;
}

// A lap's climb starts from the altitude where the lap before it ended (the first sample's own for
// the first lap).
AltitudeClimb ClimbFrom(const SampleStore& samples, std::int32_t cursor, std::int32_t ahFactor) {
  return AltitudeClimb(samples.GetAlt(cursor < 0 ? 0 : cursor), ahFactor);
}

}  // namespace

std::int32_t DeriveLapStatistics(const SampleStore& samples, LapStore& laps, std::int32_t ahFactor) {
  // One cursor for all laps: a lap starts at the sample after the one that ended the lap before.
  std::int32_t cursor = -1;
  const std::int32_t lapCount = laps.Count();
  for (std::int32_t j = 0; j < lapCount; ++j) {
    LapDataRecord lap{};
    laps.GetLap(j, lap);
    LapAccumulators acc;
    AltitudeClimb climb = ClimbFrom(samples, cursor, ahFactor);
    const bool ended = TakeLapSamples(samples, cursor, TruncateToInt64(lap.EndOffset), [&](std::int32_t i) {
      climb.Add(samples.GetAlt(i));
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
    });
    acc.Ascent = climb.Ascent();
    acc.Descent = climb.Descent();
    // The samples ran out before this lap reached its end: a lap that took samples (power counts
    // every sample it took) ends at the last one; a lap that took none, and every later lap, stays
    // as read.
    if (ended || acc.PowerCount > 0) {
      FinishLap(lap, acc, samples.GetDist(cursor), laps, j);
      laps.SetLap(j, lap);
    }
    if (!ended) break;
  }
  return lapCount;
}

Climb WorkoutClimb(const SampleStore& samples, const LapStore& laps, std::int32_t ahFactor) {
  Climb total;
  std::int32_t cursor = -1;
  bool ended = true;
  for (std::int32_t j = 0; j <= laps.Count() && ended; ++j) {
    // After the last lap, the rest of the samples.
    std::int64_t endSecond = std::numeric_limits<std::int64_t>::max();
    if (j < laps.Count()) {
      LapDataRecord lap{};
      laps.GetLap(j, lap);
      endSecond = TruncateToInt64(lap.EndOffset);
    }
    AltitudeClimb climb = ClimbFrom(samples, cursor, ahFactor);
    ended = TakeLapSamples(samples, cursor, endSecond, [&](std::int32_t i) { climb.Add(samples.GetAlt(i)); });
    total.Ascent += climb.Ascent();
    total.Descent += climb.Descent();
  }
  return total;
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
