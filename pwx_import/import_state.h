// The running state of one PWX import, carried from one element to the next.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pwx_import/import_notes.h"
#include "util/date_time.h"

namespace tessaly {

// The figures of a lap a segment can give, one bit each.
enum LapFigure : std::uint8_t {
  kLapDistance = 1,
  kLapHeartRate = 2,
  kLapSpeed = 4,
  kLapCadence = 8,
  kLapPower = 16,
};

// A lap whose segment gives figures as 0, and where the segment starts: the lap statistics fill
// such figures from the samples, and the import notes each one they fill.
struct LapGivenZero {
  std::int32_t Lap = 0;
  std::uint8_t Figures = 0;  // LapFigure bits
  xml::Place At;
};

struct ImportState {
  std::int32_t SampleIndex = -1;     // index of the last sample taken, stored or beyond the limit
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
  std::vector<LapGivenZero> LapsGivenZero;
  ImportNotes Notes;                 // what the import changes of the file, as the readers meet it
};

}  // namespace tessaly
