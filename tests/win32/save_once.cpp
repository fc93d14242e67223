// Exports 100,000 one-second samples through the plug-in, as a host would, to be ended from outside
// while it writes: save_once PLUGIN TARGET.
#include "plugin_api.h"

int main(int, char** argv) {
  std::string error;
  const auto plugin = tessaly::tool::Plugin::Load(argv[1], error);
  if (plugin == nullptr) return 2;
  plugin->StartSession(".");
  for (int i = 0; i < 100000; ++i) {
    tessaly::ExerciseDataRecord sample{};
    sample.TimeOffset = i;
    plugin->api().SetExerciseDatasEx(i, sample);
  }
  return plugin->api().ExportDatas(0, 0, 0, 0, 0, 0, 0, argv[2], 0) == 1 ? 0 : 1;
}
