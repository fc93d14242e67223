#include <cstring>
#include <utility>

#include "platform/file_system.h"
#include "plugin/plugin_core.h"
#include "pwx_import/document_reader.h"

namespace tessaly {

namespace {

// What a read staged becomes the state's workout. The stores always come back (emptied unless
// the read imported); the summary block, comment and summary powers only from a document that
// proved well-formed. The user name is the host's and stays. Only moves: nothing here can fail.
void Commit(Workout& workout, PwxRead&& read) noexcept {
  workout.Samples = std::move(read.Staged.Samples);
  workout.Laps = std::move(read.Staged.Laps);
  if (read.Outcome == PwxReadOutcome::LoadFailed) return;
  static_cast<WorkoutSummary&>(workout) = std::move(static_cast<WorkoutSummary&>(read.Staged));
}

}  // namespace

PwxReadOutcome ImportPwxFile(PluginState& state, const char* path) {
  Workout& workout = state.Workout;
  PwxRead read = ReadPwxFile(path, {.AHFactor = state.AHFactor, .Now = LocalNow(), .Watch = {}}, workout.Samples, workout.Laps);
  const PwxReadOutcome outcome = read.Outcome;
  Commit(workout, std::move(read));
  return outcome;
}

std::int32_t AnalyseExercise(PluginState& state, const char* path) {
  if (!HasPwxExtension(HostText(path))) return 0;  // everything stays as it was
  Workout& workout = state.Workout;
  workout.Samples.Clear();
  workout.Laps.Clear();
  std::memset(&workout.Summary, 0, sizeof workout.Summary);
  if (!platform::IsRegularFile(path)) return 0;
  ImportPwxFile(state, path);
  return workout.Samples.Count();
}

}  // namespace tessaly
