#include <cstring>

#include "platform/file_system.h"
#include "plugin/plugin_core.h"
#include "pwx_import/document_reader.h"

namespace tessaly {

std::int32_t AnalyseExercise(PluginState& state, const char* path) {
  if (!HasPwxExtension(HostText(path))) return 0;  // everything stays as it was
  Workout& workout = state.Workout;
  workout.Samples.Clear();
  workout.Laps.Clear();
  std::memset(&workout.Summary, 0, sizeof workout.Summary);
  if (!platform::IsRegularFile(path)) return 0;
  ReadPwxFile(workout, state.AHFactor, path);
  return workout.Samples.Count();
}

}  // namespace tessaly
