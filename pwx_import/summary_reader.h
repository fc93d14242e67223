// The workout-level `summarydata` and `extension` elements, and one `segment` as one lap.
#pragma once

#include "exercise/workout.h"
#include "pwx_import/import_state.h"
#include "pwx_import/workout_stream.h"

namespace tessaly {

void ReadSummaryData(const xml::Node& summaryData, WorkoutSummary& out);
void ReadWorkoutExtension(const xml::Node& extension, WorkoutSummary& out);
// Appends exactly one lap; its end time of day counts from state.WorkoutStart as read so far. A
// segment that gives figures as 0 is kept in state.LapsGivenZero.
void ReadSegment(const xml::Node& segment, ImportState& state, LapStore& laps);

}  // namespace tessaly
