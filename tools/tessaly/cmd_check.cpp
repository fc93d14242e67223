// tessaly check FILE...: whether the plug-in imports each file, and if not, why and where.
#include <cstdio>
#include <string>

#include "plugin_api.h"
#include "host_workout.h"

namespace tessaly::tool {

int RunCheck(const Plugin& plugin, const Console& console, int argc, char** argv) {
  if (argc == 0) {
    std::fputs(UsageOf("check"), console.Err);
    return 2;
  }
  int imported = 0;
  for (int i = 0; i < argc; ++i) {
    const std::string path = argv[i];
    Workout workout;
    std::string error;
    if (FetchWorkout(plugin.api(), path, workout, error)) {
      ++imported;
      const std::size_t laps = workout.Laps.size();
      std::fprintf(console.Out, "%s: %s samples, %s %s, start %s\n", path.c_str(),
                   std::to_string(workout.Samples.size()).c_str(), std::to_string(laps).c_str(),
                   laps == 1 ? "lap" : "laps", CalendarText(workout.Summary.StartTime).c_str());
    } else {
      std::fprintf(console.Out, "%s\n", error.c_str());
    }
  }
  if (argc > 1) std::fprintf(console.Out, "%d of %d files import\n", imported, argc);
  return imported == argc ? 0 : 1;
}

}  // namespace tessaly::tool
