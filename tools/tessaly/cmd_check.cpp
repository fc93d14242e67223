// tessaly check [--strict] FILE...: whether the plug-in imports each file, and if not, why and
// where; for a file it imports, what the import changes of it and which values no sensor gives.
// Each file is read once, by the plug-in's own core linked into the tool: the host's view (the
// samples, laps and start it would get) and the import's report come from that one read.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "diagnosis.h"
#include "fetch_workout.h"
#include "unpacked_file.h"
#include "workout_figures.h"

namespace tessaly::tool {

namespace {

// One file, as the host would get it: true when it imports. warned is set by a warning.
bool CheckFile(const PluginApi& api, const Console& console, const std::string& path, bool& warned) {
  PlainWorkoutFile file;  // a .pwx.gz is unpacked once, here
  std::string text;
  if (!OpenForPlugin(api, path, file, text, true)) {
    std::fprintf(console.Out, "%s\n", text.c_str());
    return false;
  }
  PwxRead read;
  const bool fits = ReadWithReport(file.Path(), api.GetAHFactor(), read, text);  // if not, text says so
  const bool imported = fits && Imports(read);
  if (fits && !imported) text = DiagnoseRefusal(file.Path(), read);
  if (imported) {
    const std::int32_t laps = read.Staged.Summary.LapCount;
    text = file.Path() + ": " + std::to_string(read.Staged.Samples.Count()) + " samples, " + std::to_string(laps) +
           (laps == 1 ? " lap" : " laps") + ", start " + DateTimeText(read.Staged.Summary.StartTime);
    for (const Finding& finding : ImportFindings(file.Path(), read)) {
      text += "\n" + finding.Line;
      warned = warned || finding.Warning;
    }
  }
  file.NameAsGiven(text, path);  // a place in the unpacked text, under the name the user gave
  std::fprintf(console.Out, "%s\n", text.c_str());
  return imported;
}

}  // namespace

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
    if (CheckFile(plugin.api(), console, path, warned)) ++imported;
  }
  if (paths.size() > 1) {
    std::fprintf(console.Out, "%d of %s files import\n", imported, std::to_string(paths.size()).c_str());
  }
  if (static_cast<std::size_t>(imported) != paths.size()) return 1;
  return strict && warned ? 1 : 0;
}

}  // namespace tessaly::tool
