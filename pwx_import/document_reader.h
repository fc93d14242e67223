// One PWX file into a workout: summary block, comment, summary powers and the two stores.
#pragma once

#include <cstdint>

#include "exercise/workout.h"

namespace tessaly {

// How a read ended, for tests and diagnostics; the host only ever sees the sample count.
enum class PwxReadOutcome {
  Imported,      // the walk ran to the end and the derived values were made
  WalkStopped,   // an impossible `time`: stores emptied, derived values not made
  LoadFailed,    // not well-formed, unreadable, refused: stores emptied, nothing else changed
};

// Reads the file at path (the host's 8-bit path) into workout; ahFactor is the altitude
// hysteresis of the lap statistics. Everything the walk produces is staged and reaches workout
// only once the whole document has proved well-formed.
PwxReadOutcome ReadPwxFile(Workout& workout, std::int32_t ahFactor, const char* path);

}  // namespace tessaly
