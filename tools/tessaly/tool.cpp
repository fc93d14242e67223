// tessaly: a command-line host for the plug-in. It loads the plug-in library at run time and
// drives it through its exports only, the way the training-log application does.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands.h"
#include "tessaly_version.h"
#include "platform/path.h"

namespace tessaly::tool {
namespace {

using RunCommand = int (*)(const Plugin&, const Console&, int, char**);

// One option of a command as its help shows it. Value is what follows the option, empty for none;
// values written A|B|C are the only ones the option takes.
struct OptionHelp {
  const char* Name;
  const char* Value;
  const char* Text;
};

// A command: what runs it, and its help. The help and the messages about a command line the
// command does not understand are made from here only.
struct Command {
  const char* Name;
  RunCommand Run;
  std::vector<std::string> Synopses;  // each what follows "tessaly NAME"
  const char* Summary;                // one line: what the command does
  std::vector<OptionHelp> Options;
  std::string Usage;                  // made from the synopses
};

std::vector<Command> MakeCommands() {
  std::vector<Command> commands = {
      {"check", RunCheck, {" [--strict] FILE.pwx..."},
       "say for each file whether the plug-in imports it: its samples, laps and start time and a warning for "
       "each kind of change the import makes and of value no sensor gives, or what is wrong, what to do and where",
       {{"--strict", "", "a warning fails the file too"}}, ""},
      {"import", RunImport,
       {" FILE.pwx [--format text|json|csv] [--laps]", " --format text|json|csv [--laps] --out-dir DIR FILE.pwx..."},
       "import a PWX workout through the plug-in and print it",
       {{"--format", "text|json|csv",
         "text: the file's summary, what the samples show, and the laps; json: every record; csv: a row per sample "
         "(default: text)"},
        {"--laps", "", "with --format csv: a row per lap instead"},
        {"--out-dir", "DIR", "write each file to DIR/NAME.txt (.json, .csv, .laps.csv) instead of printing it"}},
       ""},
      {"plot", RunPlot, {" FILE.pwx... [-o OUT.svg] [--smooth SECONDS]", " --out-dir DIR FILE.pwx..."},
       "draw heart rate, speed or pace, power, cadence and altitude over the elapsed time, laps as numbered bands, "
       "and below them the route, the figures of the samples and the laps",
       {{"-o, --output", "OUT.svg", "where the picture of one file goes (default: FILE.svg beside FILE.pwx)"},
        {"--smooth", "SECONDS", "draw each line as a moving average over SECONDS, the readings faint behind it"},
        {"--out-dir", "DIR", "write each picture to DIR/NAME.svg instead"}},
       ""},
      {"export", RunExport, {" WORKOUT.json OUTPUT.pwx"},
       "write a workout given as JSON (the shape 'import --format json' prints) as a PWX file", {}, ""},
      {"convert", RunConvert, {" INPUT.pwx OUTPUT.pwx", " --out-dir DIR FILE.pwx..."},
       "import a PWX file and export it again through the plug-in",
       {{"--out-dir", "DIR", "convert each file into DIR under its own name"}}, ""},
      {"info", RunInfo, {""}, "show the plug-in's name, version and capabilities", {}, ""},
  };
  for (Command& c : commands) {
    for (const std::string& synopsis : c.Synopses) {
      c.Usage += (c.Usage.empty() ? "usage: tessaly " : "       tessaly ") + std::string(c.Name) + synopsis + "\n";
    }
  }
  return commands;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = MakeCommands();
  return commands;
}

const Command* FindCommand(std::string_view name) {
  for (const Command& c : Commands()) {
    if (name == c.Name) return &c;
  }
  return nullptr;
}

// The choices of a value written A|B|C.
std::vector<std::string> Choices(std::string_view value) {
  std::vector<std::string> choices;
  for (std::size_t from = 0;;) {
    const std::size_t bar = value.find('|', from);
    choices.emplace_back(value.substr(from, bar == std::string_view::npos ? bar : bar - from));
    if (bar == std::string_view::npos) return choices;
    from = bar + 1;
  }
}

// A command's help: its usage, what it does, and its options one a line.
std::string CommandHelp(const Command& c) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (const OptionHelp& o : c.Options) {
    lines.emplace_back(std::string(o.Name) + (*o.Value != '\0' ? " " : "") + o.Value, o.Text);
  }
  lines.emplace_back("-h, --help", "show this help");
  std::size_t width = 0;
  for (const auto& line : lines) width = std::max(width, line.first.size());
  std::string summary = c.Summary;  // a sentence of its own here
  if (summary[0] >= 'a' && summary[0] <= 'z') summary[0] = static_cast<char>(summary[0] - 'a' + 'A');
  std::string help = c.Usage + "\n" + summary + ".\n\nOptions:\n";
  for (const auto& [option, text] : lines) {
    help += "  " + option + std::string(width + 2 - option.size(), ' ') + text + "\n";
  }
  return help;
}

std::string ToolHelp() {
  std::string help =
      "usage: tessaly [--plugin LIBRARY] COMMAND [ARGS]\n"
      "\n"
      "Commands (tessaly COMMAND --help shows a command's options):\n";
  for (const Command& c : Commands()) {
    for (const std::string& synopsis : c.Synopses) help += "  " + std::string(c.Name) + synopsis + "\n";
    help += "      " + std::string(c.Summary) + "\n";
  }
  help +=
      "\n"
      "Options:\n"
      "  --plugin LIBRARY   the plug-in to load (default: the one beside this program)\n"
      "  --version          show the versions of this program and of the plug-in\n"
      "  -h, --help         show this help\n"
      "\n"
      "check, import, plot and convert also read FILE.pwx.gz: the tool unpacks it into a temporary\n"
      "file for the plug-in and removes that afterwards.\n"
      "\n"
      "check, import, convert and plot say the same of a file the plug-in does not import: first\n"
      "what the file is or what is wrong and what to do, then in parentheses the place as XML tools\n"
      "give it, FILE:LINE:COLUMN: message (the line counted from 1, the column from 0, as expat\n"
      "counts them).\n"
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
  return help;
}

bool IsHelp(const char* arg) { return std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0; }

}  // namespace

const char* UsageOf(std::string_view command) {
  const Command* c = FindCommand(command);
  return c == nullptr ? "" : c->Usage.c_str();
}

bool IsChoiceOf(const Console& console, std::string_view command, std::string_view option, const std::string& value) {
  const Command* c = FindCommand(command);
  if (c == nullptr) return true;
  for (const OptionHelp& o : c->Options) {
    if (option != o.Name) continue;
    const std::vector<std::string> choices = Choices(o.Value);
    if (std::find(choices.begin(), choices.end(), value) != choices.end()) return true;
    std::string listed;
    for (std::size_t k = 0; k < choices.size(); ++k) {
      listed += (k == 0 ? "" : k + 1 == choices.size() ? " or " : ", ") + choices[k];
    }
    std::fprintf(console.Err, "tessaly %s: %s takes %s, not '%s'\n", c->Name, o.Name, listed.c_str(), value.c_str());
    return false;
  }
  return true;
}

int RunTool(int argc, char** argv, const Console& console) {
  std::string pluginPath;
  bool version = false;
  int i = 1;
  for (; i < argc; ++i) {
    if (IsHelp(argv[i])) {
      std::fputs(ToolHelp().c_str(), console.Out);
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
    std::fputs(ToolHelp().c_str(), console.Err);
    return 2;
  }
  const Command* command = FindCommand(argv[i]);
  if (command == nullptr) {
    std::fprintf(console.Err, "tessaly: unknown command '%s'\n\n%s", argv[i], ToolHelp().c_str());
    return 2;
  }
  // Help needs no plug-in, wherever it stands among the command's arguments.
  if (std::any_of(argv + i + 1, argv + argc, IsHelp)) {
    std::fputs(CommandHelp(*command).c_str(), console.Out);
    return 0;
  }
  const std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath, error);
  if (!plugin) {
    std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
    return 1;
  }
  plugin->StartSession(FolderOf(pluginPath, PathStyle::Windows));
  return command->Run(*plugin, console, argc - i - 1, argv + i + 1);
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
