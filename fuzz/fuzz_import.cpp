#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/fuzz_targets.h"
#include "plugin/plugin_core.h"

namespace tessaly::fuzz {

void ImportOneInput(const std::uint8_t* data, std::size_t size) {
  static PluginState* state = new PluginState;  // one loaded plug-in, as a host keeps it
  static const std::string path = ScratchPath("import.pwx");
  WriteAll(path, data, size);
  const std::int32_t n = AnalyseExercise(*state, path.c_str());
  if (n != state->Workout.Samples.Count() || n < 0) std::abort();
  LogSummaryRecord summary;
  const bool haveSummary = GetLogSummaryEx(*state, &summary);
  if (haveSummary != (n > 0)) std::abort();
  ExerciseDataRecord sample;
  for (std::int32_t i = 0; i < n; ++i) {
    if (!GetExerciseDatasEx(*state, i, &sample)) std::abort();
  }
  if (haveSummary) {
    if (summary.LapCount != static_cast<std::uint16_t>(state->Workout.Laps.Count())) std::abort();
    LapDataRecord lap;
    for (std::int32_t i = 0; i < state->Workout.Laps.Count(); ++i) GetLapDatasEx(*state, i, &lap);
  }
  char comment[64];
  GetComment(*state, comment, sizeof(comment) - 1);
}

}  // namespace tessaly::fuzz
