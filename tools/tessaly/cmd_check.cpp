// tessaly check [--strict] FILE...: whether the plug-in imports each file, and if not, why and
// where; for a file it imports, what the import changes of it.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "diagnosis.h"
#include "fetch_workout.h"
#include "unpacked_file.h"
#include "workout_figures.h"

namespace tessaly::tool {

int RunCheck(const Plugin& plugin, const Console& console, const Arguments& args) {
  const std::vector<std::string>& paths = args.Operands;
  const bool strict = args.Has("--strict");
  if (paths.empty()) {
    std::fputs(UsageOf("check"), console.Err);
    return 2;
  }
  int imported = 0;
  bool warned = false;
  for (const std::string& path : paths) {
    HostWorkout workout;
    std::string error;
    if (!FetchWorkout(plugin.api(), path, workout, error)) {
      std::fprintf(console.Out, "%s\n", error.c_str());
      continue;
    }
    ++imported;
    const std::size_t laps = workout.Laps.size();
    std::fprintf(console.Out, "%s: %s samples, %s %s, start %s\n", path.c_str(),
                 std::to_string(workout.Samples.size()).c_str(), std::to_string(laps).c_str(),
                 laps == 1 ? "lap" : "laps", DateTimeText(workout.Summary.StartTime).c_str());
    PlainWorkoutFile file;  // imported, so it opens again
    if (!file.Open(path, error)) continue;
    for (std::string warning : ImportWarnings(file.Path(), workout)) {
      file.NameAsGiven(warning, path);
      std::fprintf(console.Out, "%s\n", warning.c_str());
      warned = true;
    }
  }
  if (paths.size() > 1) {
    std::fprintf(console.Out, "%d of %s files import\n", imported, std::to_string(paths.size()).c_str());
  }
  if (static_cast<std::size_t>(imported) != paths.size()) return 1;
  return strict && warned ? 1 : 0;
}

}  // namespace tessaly::tool
