// tessaly: a command-line host for the plug-in. It loads the plug-in library at run time and
// drives it through its exports only, the way the training-log application does.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands.h"
#include "unpacked_file.h"
#include "tessaly_version.h"
#include "platform/path.h"

namespace tessaly::tool {
namespace {

using RunCommand = int (*)(const Plugin&, const Console&, const Arguments&);

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
       {{"-o, --output", "OUT.svg", "where the picture of one file goes, - for standard output (default: FILE.svg "
                                    "beside FILE.pwx; standard output for -)"},
        {"--smooth", "SECONDS", "draw each line as a moving average over SECONDS, the readings faint behind it"},
        {"--out-dir", "DIR", "write each picture to DIR/NAME.svg instead"}},
       ""},
      {"export", RunExport, {" WORKOUT.json OUTPUT.pwx [--start YYYY-MM-DDThh:mm:ss]"},
       "write a workout given as JSON (the shape 'import --format json' prints) as a PWX file",
       {{"--start", "YYYY-MM-DDThh:mm:ss", "the workout's start, local time, in place of the JSON's (needed when it "
                                          "gives none)"}},
       ""},
      {"convert", RunConvert, {" INPUT.pwx OUTPUT.pwx [--start YYYY-MM-DDThh:mm:ss]", " --out-dir DIR FILE.pwx..."},
       "import a PWX file and export it again through the plug-in",
       {{"--out-dir", "DIR", "convert each file into DIR under its own name"},
        {"--start", "YYYY-MM-DDThh:mm:ss", "the workout's start, local time, in place of the file's (needed when it "
                                          "gives none)"}},
       ""},
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
      "Options may stand anywhere before --; everything after -- is a file. A file to read may be -,\n"
      "standard input, and so may the output of plot -o, convert and export: standard output.\n"
      "On Windows the tool expands * and ? in file names itself (dir\\*.pwx), as cmd.exe does not.\n"
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
      "included; JSON names the sport (\"Sport\": \"Walk\"). export refuses a key it does not read\n"
      "and a Start that disagrees with StartTime; export and convert refuse a workout without a\n"
      "start time, which the plug-in would date when it writes it, unless --start gives one. A PWX\n"
      "output must be a file name ending in .pwx (.PWX too on Windows), never the input itself; a\n"
      "missing folder is made, and a file that cannot be written says why, standard output included.\n"
      "\n"
      "A batch (--out-dir) shows its progress on stderr (a bar on a terminal), goes on past a file\n"
      "that fails, and ends with \"N converted, M failed\" and each failure's reason.\n"
      "Numbers in JSON and CSV are the shortest text that reads back to the same value; JSON keeps\n"
      "the units of the host's records (the manual lists both).\n"
      "Exit status: 0 when everything succeeded, 1 when something failed, 2 for a command line\n"
      "that is not understood.\n";
  return help;
}

bool IsHelp(std::string_view arg) { return arg == "-h" || arg == "--help"; }

// The names of one option ("-o, --output"), each as written.
std::vector<std::string_view> NamesOf(const OptionHelp& o) {
  std::vector<std::string_view> names;
  for (std::string_view rest = o.Name; !rest.empty();) {
    const std::size_t comma = rest.find(", ");
    names.push_back(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 2);
  }
  return names;
}

// --plugin may follow the command too.
const OptionHelp kPluginOption = {"--plugin", "LIBRARY", ""};

// The option of that name (any of its names); null for none.
const OptionHelp* FindOption(const Command& c, std::string_view name) {
  const auto named = [&](const OptionHelp& o) {
    const std::vector<std::string_view> names = NamesOf(o);
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  if (named(kPluginOption)) return &kPluginOption;
  for (const OptionHelp& o : c.Options) {
    if (named(o)) return &o;
  }
  return nullptr;
}

// The edits (insertions, deletions, substitutions) that make a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command whose name is the fewest edits from name.
const char* NearestCommand(std::string_view name) {
  const Command* nearest = &Commands().front();
  for (const Command& c : Commands()) {
    if (EditDistance(name, c.Name) < EditDistance(name, nearest->Name)) nearest = &c;
  }
  return nearest->Name;
}

// The one parser of every command's arguments (see Arguments). False, with the reason said in one
// line, for an option the command does not take, a value missing or one given to a flag.
bool ParseArguments(const Command& c, const Console& console, int argc, char** argv, Arguments& args) {
  bool operandsOnly = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      args.Operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string_view::npos;
    const std::string_view name = arg.substr(0, equals);
    const OptionHelp* option = FindOption(c, name);
    if (option == nullptr) {
      NotUnderstood(console, c.Name, "unknown option '" + std::string(name) + "'");
      return false;
    }
    const std::string key(NamesOf(*option).back());  // the long name
    if (*option->Value == '\0') {
      if (equals != std::string_view::npos) {
        NotUnderstood(console, c.Name, key + " takes no value");
        return false;
      }
      args.Options[key] = "";
    } else if (equals != std::string_view::npos) {
      args.Options[key] = std::string(arg.substr(equals + 1));
    } else if (i + 1 < argc) {
      args.Options[key] = argv[++i];
    } else {
      NotUnderstood(console, c.Name, std::string(name) + " needs a value, " + option->Value);
      return false;
    }
  }
  // What cmd.exe leaves to the program: dir\*.pwx is the files in dir (none matching: as given).
  std::vector<std::string> operands;
  for (const std::string& operand : args.Operands) {
    const std::vector<std::string> files =
        operand.find_first_of("*?") == std::string::npos ? std::vector<std::string>() : os::FilesMatching(operand);
    if (files.empty()) {
      operands.push_back(operand);
    } else {
      operands.insert(operands.end(), files.begin(), files.end());
    }
  }
  args.Operands = std::move(operands);
  return true;
}

bool g_outputFailureTold = false;  // in this run

// Whatever the command printed must have reached its output: a full disk or a closed pipe fails
// the run with the system's reason, whichever command wrote.
int OutputChecked(const Console& console, int status) {
  errno = 0;
  const bool flushed = std::fflush(console.Out) == 0 && std::ferror(console.Out) == 0;
  return flushed && !g_outputFailureTold ? status : OutputFailed(console, errno);
}

}  // namespace

const char* UsageOf(std::string_view command) {
  const Command* c = FindCommand(command);
  return c == nullptr ? "" : c->Usage.c_str();
}

int OutputFailed(const Console& console, int reason) {
  if (!g_outputFailureTold) {
    std::fprintf(console.Err, "tessaly: cannot write the output: %s\n",
                 reason != 0 ? std::strerror(reason) : "the system gives no reason");
  }
  g_outputFailureTold = true;
  return 1;
}

int NotUnderstood(const Console& console, std::string_view command, const std::string& reason) {
  std::fprintf(console.Err, "tessaly %s: %s; 'tessaly %s --help' shows how it is used\n", std::string(command).c_str(),
               reason.c_str(), std::string(command).c_str());
  return 2;
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
  g_outputFailureTold = false;
  os::FailWritesToClosedPipes();  // a reader that stops early fails the run as a full disk does
  std::string pluginPath;
  bool version = false;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (IsHelp(arg)) {
      std::fputs(ToolHelp().c_str(), console.Out);
      return OutputChecked(console, 0);
    }
    if (arg == "--version") {  // the versions only, whatever follows
      version = true;
    } else if (arg == "--plugin" || arg.rfind("--plugin=", 0) == 0) {
      if (arg == "--plugin" && i + 1 >= argc) {
        std::fputs("tessaly: --plugin needs a library path\n", console.Err);
        return 2;
      }
      pluginPath = arg == "--plugin" ? argv[++i] : std::string(arg.substr(9));
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(console.Err, "tessaly: unknown option '%s'; 'tessaly --help' lists the options and commands\n", argv[i]);
      return 2;
    } else {
      break;
    }
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
    return OutputChecked(console, 0);
  }
  if (i >= argc) {
    std::fputs(ToolHelp().c_str(), console.Err);
    return 2;
  }
  const Command* command = FindCommand(argv[i]);
  if (command == nullptr) {
    std::fprintf(console.Err, "tessaly: '%s' is no command; the nearest is '%s' ('tessaly --help' lists them)\n",
                 argv[i], NearestCommand(argv[i]));
    return 2;
  }
  // Help needs no plug-in, wherever it stands among the command's options.
  char** const first = argv + i + 1;
  if (std::any_of(first, std::find_if(first, argv + argc, [](const char* a) { return std::strcmp(a, "--") == 0; }),
                  [](const char* a) { return IsHelp(a); })) {
    std::fputs(CommandHelp(*command).c_str(), console.Out);
    return OutputChecked(console, 0);
  }
  Arguments args;
  if (!ParseArguments(*command, console, argc - i - 1, first, args)) return 2;
  pluginPath = args.Value("--plugin", pluginPath);
  const std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath, error);
  if (!plugin) {
    std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
    return 1;
  }
  plugin->StartSession(FolderOf(pluginPath, PathStyle::Windows));
  UseStandardInput(console.In);
  return OutputChecked(console, command->Run(*plugin, console, args));
}

}  // namespace tessaly::tool
