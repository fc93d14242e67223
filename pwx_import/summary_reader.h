// The workout-level `summarydata` and `extension` elements, and one `segment` as one lap.
#pragma once

#include <cstdint>
#include <string>

#include "exercise/stores.h"
#include "exercise/records.h"
#include "pwx_import/import_state.h"
#include "pwx_import/workout_stream.h"

namespace tessaly {

// What an import produces besides the two stores. The document reader fills a staged copy and
// hands it to the plug-in state only once the whole document has proved well-formed.
struct ImportedSummary {
  LogSummaryRecord Summary{};
  std::string Comment;
  std::int32_t SummaryAvgPower = 0;
  std::int32_t SummaryMaxPower = 0;
};

void ReadSummaryData(const xml::Node& summaryData, ImportedSummary& out);
void ReadWorkoutExtension(const xml::Node& extension, ImportedSummary& out);
// Appends exactly one lap; its end time of day counts from state.WorkoutStart as read so far.
void ReadSegment(const xml::Node& segment, ImportState& state, LapStore& laps);

}  // namespace tessaly
