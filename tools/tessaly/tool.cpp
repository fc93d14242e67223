// tessaly: a command-line host for the plug-in. It loads the plug-in library at run time and
// drives it through its exports only, the way the training-log application does.
#include <cstdio>
#include <cstring>
#include <string>

#include "plugin_api.h"
#include "tessaly_version.h"
#include "platform/path.h"

namespace tessaly::tool {
namespace {

constexpr const char* kUsage =
    "usage: tessaly [--plugin LIBRARY] COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  check FILE.pwx...                    say for each file whether the plug-in imports it: its\n"
    "                                       samples, laps and start time, or why not and where\n"
    "  import FILE.pwx [--format text|json|csv]\n"
    "                                       import a PWX workout and print it (default: text)\n"
    "  import --format text|json|csv --out-dir DIR FILE.pwx...\n"
    "                                       import each file into DIR/NAME.txt (.json, .csv)\n"
    "  plot FILE.pwx [-o OUT.svg]           draw heart rate, speed, power, cadence and altitude\n"
    "                                       over the elapsed time, laps as numbered bands\n"
    "                                       (default: FILE.svg beside FILE.pwx)\n"
    "  export WORKOUT.json OUTPUT.pwx       write a workout given as JSON (the shape\n"
    "                                       'import --format json' prints) as a PWX file\n"
    "  convert INPUT.pwx OUTPUT.pwx         import a PWX file and export it again\n"
    "  convert --out-dir DIR FILE.pwx...    convert each file into DIR under its own name\n"
    "  info                                 show the plug-in's name, version and capabilities\n"
    "\n"
    "Options:\n"
    "  --plugin LIBRARY   the plug-in to load (default: the one beside this program)\n"
    "  --version          show the versions of this program and of the plug-in\n"
    "  -h, --help         show this help\n"
    "\n"
    "check, import, convert and plot say the same of a file the plug-in does not import, as XML\n"
    "tools do: FILE:LINE:COLUMN: message for a parser error, nesting deeper than the plug-in reads\n"
    "or an impossible start time (the line counted from 1, the column from 0, as expat counts\n"
    "them); FILE:LINE: for a document type declaration; FILE: no samples for a sound document\n"
    "without a sample value.\n"
    "\n"
    "The sport and the athlete's name come from the file itself, so convert keeps both, Walk\n"
    "included; JSON names the sport (\"Sport\": \"Walk\"). export refuses a key it does not read,\n"
    "a Start that disagrees with StartTime, and a workout with neither. A PWX output must be a file\n"
    "name ending in .pwx, never the input itself; a missing folder is made, and a file that cannot\n"
    "be written says why.\n"
    "\n"
    "A batch (--out-dir) shows its progress on stderr (a bar on a terminal), goes on past a file\n"
    "that fails, and ends with \"N converted, M failed\" and each failure's reason.\n"
    "Numbers in JSON and CSV are the shortest text that reads back to the same value.\n"
    "Exit status: 0 when everything succeeded, 1 when something failed, 2 for a command line\n"
    "that is not understood.\n";

}  // namespace

int RunTool(int argc, char** argv, const Console& console) {
  std::string pluginPath;
  bool version = false;
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, console.Out);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {  // the versions only, whatever follows
      version = true;
      continue;
    }
    if (std::strcmp(argv[i], "--plugin") == 0) {
      if (i + 1 >= argc) {
        std::fputs("tessaly: --plugin needs a library path\n", console.Err);
        return 2;
      }
      pluginPath = argv[++i];
      continue;
    }
    break;
  }
  if (pluginPath.empty()) pluginPath = os::DefaultPluginPath();
  std::string error;
  if (version) {
    std::fprintf(console.Out, "tessaly %s\n", TESSALY_VERSION_TEXT);
    const std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath, error);
    if (!plugin) {
      std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(console.Out, "plug-in %s, version %d\n", pluginPath.c_str(),
                 static_cast<int>(plugin->api().GetVersion()));
    return 0;
  }
  if (i >= argc) {
    std::fputs(kUsage, console.Err);
    return 2;
  }
  const std::string command = argv[i];
  int (*run)(const Plugin&, const Console&, int, char**) = nullptr;
  if (command == "info") run = RunInfo;
  else if (command == "import") run = RunImport;
  else if (command == "export") run = RunExport;
  else if (command == "convert") run = RunConvert;
  else if (command == "check") run = RunCheck;
  else if (command == "plot") run = RunPlot;
  if (run == nullptr) {
    std::fprintf(console.Err, "tessaly: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return 2;
  }
  const std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath, error);
  if (!plugin) {
    std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
    return 1;
  }
  plugin->StartSession(FolderOf(pluginPath, PathStyle::Windows));
  return run(*plugin, console, argc - i - 1, argv + i + 1);
}

bool TakeOption(int argc, char** argv, int& i, const std::string& name, std::string& value) {
  const std::string arg = argv[i];
  if (arg == name && i + 1 < argc) {
    value = argv[++i];
    return true;
  }
  // Only a long option takes its value after "=": "-o=x" stays an unknown argument.
  if (name.rfind("--", 0) == 0 && arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
      arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace tessaly::tool
