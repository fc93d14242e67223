// One PWX file into a workout: summary block, comment, summary powers and the two stores.
#pragma once

#include <cstdint>

#include "exercise/workout.h"
#include "pwx_import/import_report.h"
#include "util/date_time.h"

namespace tessaly {

// How a read ended; the host only ever sees the sample count.
enum class PwxReadOutcome {
  Imported,      // the walk ran to the end and the derived values were made
  WalkStopped,   // an impossible `time`: stores emptied, derived values not made
  LoadFailed,    // not well-formed, unreadable, refused: nothing read
};

// What a read is given besides the file.
struct PwxReadSettings {
  std::int32_t AHFactor = 2;  // altitude hysteresis of the lap statistics, metres
  DateTime Now = 0.0;         // the current local time: the start of a workout whose file has none
  SampleWatch Watch;          // sample values to note beyond bounds of the caller's; none by default
};

// How a read ended, the workout it staged and the report of it. After Imported the workout is
// whole; after WalkStopped it holds the summary block, comment and summary powers read before the
// impossible time; after LoadFailed nothing but the stores. The stores are empty unless Imported.
// The user name is never read.
struct PwxRead {
  PwxReadOutcome Outcome = PwxReadOutcome::LoadFailed;
  Workout Staged;
  ImportReport Report;
};

// The most laps the summary's 16-bit LapCount counts; a workout with more is held at it.
inline constexpr std::int32_t kMostCountedLaps = 0xFFFF;

// Reads the file at path (the host's 8-bit path). The stores are the caller's, emptied and lent
// to the read so that an import needs no second set of arrays: they come back in the result, or,
// when the read throws, emptied in place.
PwxRead ReadPwxFile(const char* path, const PwxReadSettings& settings, SampleStore& samples, LapStore& laps);

}  // namespace tessaly
