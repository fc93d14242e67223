#include <cstring>

#include "platform/file_system.h"
#include "plugin/plugin_core.h"
#include "pwx_import/document_reader.h"

namespace tessaly {

std::int32_t AnalyseExercise(PluginState& state, const char* path) {
  if (!HasPwxExtension(HostText(path))) return 0;  // everything stays as it was
  state.Samples.Clear();
  state.Laps.Clear();
  std::memset(&state.Summary, 0, sizeof state.Summary);
  if (!platform::IsRegularFile(path)) return 0;
  ReadPwxFile(state, path);
  return state.Samples.Count();
}

}  // namespace tessaly
