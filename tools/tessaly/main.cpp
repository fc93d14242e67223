// tessaly: a command-line host for the plug-in. It loads the plug-in library at run time and
// drives it through its exports only, the way the training-log application does.
#include <cstdio>
#include <cstring>
#include <string>

#include "plugin_api.h"

namespace {

constexpr const char* kUsage =
    "usage: tessaly [--plugin LIBRARY] COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info                                 show the plug-in's name, version and capabilities\n"
    "  import FILE.pwx [--format text|json|csv]\n"
    "                                       import a PWX workout and print it (default: text)\n"
    "  export WORKOUT.json OUTPUT           write a workout given as JSON (the shape\n"
    "                                       'import --format json' prints) as a PWX file\n"
    "  convert INPUT.pwx OUTPUT.pwx         import a PWX file and export it again\n"
    "\n"
    "Options:\n"
    "  --plugin LIBRARY   the plug-in to load (default: the one beside this program)\n"
    "  -h, --help         show this help\n";

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessaly::tool;
  std::string pluginPath;
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--plugin") == 0) {
      if (i + 1 >= argc) {
        std::fputs("tessaly: --plugin needs a library path\n", stderr);
        return 2;
      }
      pluginPath = argv[++i];
      continue;
    }
    break;
  }
  if (i >= argc) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[i];
  int (*run)(const Plugin&, int, char**) = nullptr;
  if (command == "info") run = RunInfo;
  else if (command == "import") run = RunImport;
  else if (command == "export") run = RunExport;
  else if (command == "convert") run = RunConvert;
  if (run == nullptr) {
    std::fprintf(stderr, "tessaly: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return 2;
  }
  if (pluginPath.empty()) pluginPath = os::DefaultPluginPath();
  std::string error;
  std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath, error);
  if (!plugin) {
    std::fprintf(stderr, "tessaly: %s\n", error.c_str());
    return 1;
  }
  plugin->StartSession(FolderOf(pluginPath));
  return run(*plugin, argc - i - 1, argv + i + 1);
}
