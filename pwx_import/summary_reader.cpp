#include "pwx_import/summary_reader.h"

#include <cstring>

#include "pwx_import/number_reading.h"
#include "util/conversions.h"
#include "util/date_time.h"
#include "util/units.h"

namespace tessaly {

namespace {

bool Named(const xml::Node& child, std::string_view lower) {
  return child.IsElement() && xml::NameIs(child.Name(), lower);
}

// m/s to tenths of km/h, rounded half away from zero as the log summary keeps speeds.
std::int32_t TenthsKmPerHour(double metresPerSecond) {
  return RoundHalfAway(StoreDouble(MetresPerSecondToKmh(metresPerSecond) * 10.0L));
}

double Kilometres(double metres) { return StoreDouble(static_cast<long double>(metres) / 1000.0L); }

}  // namespace

void ReadSummaryData(const xml::Node& summaryData, WorkoutSummary& out) {
  LogSummaryRecord& s = out.Summary;
  for (const xml::Node& child : summaryData.Children()) {
    if (!child.IsElement()) continue;
    const std::string& name = child.Name();
    if (xml::NameIs(name, "duration")) {
      s.Duration = TruncateToInt32(ElementReal(child));
    } else if (xml::NameIs(name, "hr")) {
      s.MaxHeartRate = TruncateToUInt8(AttributeReal(child, "max"));
      s.AvgHeartRate = TruncateToUInt8(AttributeReal(child, "avg"));
    } else if (xml::NameIs(name, "spd")) {
      s.MaxSpeed = TenthsKmPerHour(AttributeReal(child, "max"));
      s.AvgSpeed = TenthsKmPerHour(AttributeReal(child, "avg"));
    } else if (xml::NameIs(name, "pwr")) {
      out.SummaryMaxPower = RoundHalfAway(AttributeReal(child, "max"));
      out.SummaryAvgPower = RoundHalfAway(AttributeReal(child, "avg"));
    } else if (xml::NameIs(name, "dist")) {
      s.Distance = Kilometres(ElementReal(child));
    } else if (xml::NameIs(name, "alt")) {
      s.MaxAltitude = AttributeReal(child, "max");
      s.MinAltitude = AttributeReal(child, "min");
    } else if (xml::NameIs(name, "climbingelevation")) {
      s.Ascent = RoundHalfAway(ElementReal(child));
    } else if (xml::NameIs(name, "descendingelevation")) {
      s.Descent = RoundHalfAway(ElementReal(child));
    } else if (xml::NameIs(name, "tss")) {
      s.TrainingStressScore = ElementReal(child);
    } else if (xml::NameIs(name, "normalizedpower")) {
      s.NormalizedPower = TruncateToUInt16(ElementReal(child));
    }
  }
}

void ReadWorkoutExtension(const xml::Node& extension, WorkoutSummary& out) {
  LogSummaryRecord& s = out.Summary;
  for (const xml::Node& child : extension.Children()) {
    if (!child.IsElement()) continue;
    const std::string& name = child.Name();
    if (xml::NameIs(name, "calories")) {
      s.Calories = TruncateToUInt16(ElementReal(child));
    } else if (xml::NameIs(name, "ascent")) {
      s.Ascent = RoundHalfAway(ElementReal(child));
    } else if (xml::NameIs(name, "descent")) {
      s.Descent = RoundHalfAway(ElementReal(child));
    }
  }
}

namespace {

// Marks figure as given as 0, or clears the mark when it is given otherwise.
void MarkZero(std::uint8_t& zero, LapFigure figure, bool isZero) {
  zero = static_cast<std::uint8_t>((zero & ~figure) | (isZero ? figure : 0));
}

void ReadSegmentSummary(const xml::Node& summaryData, LapDataRecord& lap, double& beginning, std::uint8_t& zero) {
  for (const xml::Node& child : summaryData.Children()) {
    if (!child.IsElement()) continue;
    // A lap's distance is read only under its exact lower-case name.
    if (child.Name() == "dist") {
      lap.Distance = Kilometres(ElementReal(child));
      MarkZero(zero, kLapDistance, lap.Distance == 0.0);
      continue;
    }
    const std::string& name = child.Name();
    if (xml::NameIs(name, "beginning")) {
      beginning = ElementReal(child);
    } else if (xml::NameIs(name, "duration")) {
      lap.EndOffset = StoreDouble(static_cast<long double>(beginning) + ElementReal(child));
    } else if (xml::NameIs(name, "hr")) {
      lap.MaxHeartRate = TruncateToUInt8(AttributeReal(child, "max"));
      lap.AvgHeartRate = TruncateToUInt8(AttributeReal(child, "avg"));
      MarkZero(zero, kLapHeartRate, lap.MaxHeartRate == 0 && lap.AvgHeartRate == 0);
    } else if (xml::NameIs(name, "spd")) {
      lap.MaxSpeed = StoreDouble(MetresPerSecondToKmh(AttributeReal(child, "max")));
      lap.AvgSpeed = StoreDouble(MetresPerSecondToKmh(AttributeReal(child, "avg")));
      MarkZero(zero, kLapSpeed, lap.MaxSpeed == 0.0 && lap.AvgSpeed == 0.0);
    } else if (xml::NameIs(name, "cad")) {
      lap.MaxCadence = TruncateToUInt8(AttributeReal(child, "max"));
      lap.AvgCadence = TruncateToUInt8(AttributeReal(child, "avg"));
      MarkZero(zero, kLapCadence, lap.MaxCadence == 0 && lap.AvgCadence == 0);
    } else if (xml::NameIs(name, "pwr")) {
      lap.MaxPower = WholePart(AttributeReal(child, "max"));
      lap.AvgPower = WholePart(AttributeReal(child, "avg"));
      MarkZero(zero, kLapPower, lap.MaxPower == 0.0 && lap.AvgPower == 0.0);
    }
  }
}

void ReadSegmentExtension(const xml::Node& extension, LapDataRecord& lap, ImportState& state) {
  for (const xml::Node& child : extension.Children()) {
    if (!Named(child, "calories")) continue;
    lap.Calories = TruncateToUInt16(ElementReal(child));
    state.SegmentCaloriesTotal += lap.Calories;
  }
}

}  // namespace

void ReadSegment(const xml::Node& segment, ImportState& state, LapStore& laps) {
  LapDataRecord lap;
  std::memset(&lap, 0, sizeof lap);
  double beginning = 0.0;
  std::uint8_t zero = 0;
  for (const xml::Node& child : segment.Children()) {
    if (Named(child, "summarydata")) {
      ReadSegmentSummary(child, lap, beginning, zero);
    } else if (Named(child, "extension")) {
      ReadSegmentExtension(child, lap, state);
    }
  }
  lap.LapKind = 2;
  // Not wrapped at midnight; only the low 32 bits of a nonsensical sum are kept.
  const std::uint64_t endOfDay = static_cast<std::uint64_t>(SecondsOfDay(state.WorkoutStart)) +
                                 static_cast<std::uint64_t>(TruncateToInt64(lap.EndOffset));
  lap.EndTimeOfDay = static_cast<std::int32_t>(static_cast<std::uint32_t>(endOfDay));
  lap.Duration = StoreDouble(static_cast<long double>(lap.EndOffset) - beginning);
  const std::int32_t index = laps.Add(lap);
  if (zero != 0) state.LapsGivenZero.push_back({.Lap = index, .Figures = zero, .At = segment.Start()});
}

}  // namespace tessaly
