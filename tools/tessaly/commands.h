// The tool's commands and what they share: where they read and write, their arguments, their usage.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_api.h"

namespace tessaly::tool {

// Where a command reads and writes: standard input ("-" as a file to read), its output, its
// messages, and whether the messages reach a terminal.
struct Console {
  std::FILE* In;
  std::FILE* Out;
  std::FILE* Err;
  bool ErrIsTerminal;
};

// The whole tool: options, the command, its arguments. Returns the process exit status: 0 done,
// 1 failed, 2 not understood.
int RunTool(int argc, char** argv, const Console& console);

// A command's arguments as the tool's one parser reads them for every command: options anywhere
// before "--", a long option's value after "=" or as the next argument, a short one's as the next;
// each option given by its long name (a flag with the value ""), the last of a repeated one kept;
// the operands in order, "-" among them for standard input or output. On Windows an operand with
// * or ? is the files it matches, as cmd.exe leaves that to the program.
struct Arguments {
  std::map<std::string, std::string, std::less<>> Options;
  std::vector<std::string> Operands;
  bool Has(std::string_view option) const { return Options.find(option) != Options.end(); }
  std::string Value(std::string_view option, const std::string& fallback = "") const {
    const auto found = Options.find(option);
    return found == Options.end() ? fallback : found->second;
  }
};

// The operand that stands for standard input or output.
inline constexpr std::string_view kStandardStream = "-";

// A command's usage lines ("usage: tessaly NAME ...\n"), for its messages about a command line it does
// not understand.
const char* UsageOf(std::string_view command);
// Says on console.Err, once a run, that the output cannot be written, in the system's words for
// reason (the errno of the write that failed); returns 1. Whatever a command printed is checked
// once it returns too, so a command calls this only where it can name the failed write's reason.
int OutputFailed(const Console& console, int reason);
// Says on console.Err, in one line, why the command line is not understood; returns 2.
int NotUnderstood(const Console& console, std::string_view command, const std::string& reason);
// Whether value is one the command's option takes where its help lists the values as A|B|C; if
// not, says so on console.Err, naming the option and its values.
bool IsChoiceOf(const Console& console, std::string_view command, std::string_view option, const std::string& value);

// Commands, with the command's own arguments. Each returns the exit status.
int RunInfo(const Plugin& plugin, const Console& console, const Arguments& args);
int RunImport(const Plugin& plugin, const Console& console, const Arguments& args);
int RunExport(const Plugin& plugin, const Console& console, const Arguments& args);
int RunConvert(const Plugin& plugin, const Console& console, const Arguments& args);
int RunCheck(const Plugin& plugin, const Console& console, const Arguments& args);
int RunPlot(const Plugin& plugin, const Console& console, const Arguments& args);

}  // namespace tessaly::tool
