// Exports a workout of one-second samples through the plug-in, as a host would, to be ended from
// outside while it writes: save_once PLUGIN TARGET SAMPLES.
#include <cstdlib>
#include <string>

#include "plugin_api.h"

int main(int, char** argv) {
  using namespace tessaly;
  std::string error;
  const std::unique_ptr<tool::Plugin> plugin = tool::Plugin::Load(argv[1], error);
  if (plugin == nullptr) return 2;
  plugin->StartSession(".");
  const tool::PluginApi& api = plugin->api();
  LogSummaryRecord summary{};
  summary.StartTime = 45000.25;
  api.SetLogSummaryEx(summary);
  for (int i = 0; i < std::atoi(argv[3]); ++i) {
    ExerciseDataRecord sample{};
    sample.TimeOffset = i;
    sample.HeartRate = 140;
    api.SetExerciseDatasEx(i, sample);
  }
  return api.ExportDatas(0, 0, 0, 0, 0, 0, 0, argv[2], 0) == 1 ? 0 : 1;
}
