// The tool's commands and what they share: where they write, the options they take, their usage.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "plugin_api.h"

namespace tessaly::tool {

// Where a command writes: its output, its messages, and whether the messages reach a terminal.
struct Console {
  std::FILE* Out;
  std::FILE* Err;
  bool ErrIsTerminal;
};

// The whole tool: options, the command, its arguments. Returns the process exit status: 0 done,
// 1 failed, 2 not understood.
int RunTool(int argc, char** argv, const Console& console);

// A command's option given as "--name value" or "--name=value" (a short one only as "-n value") at
// argv[i]: true with its value, and i moved past a separate value; false when argv[i] is not that
// option with a value.
bool TakeOption(int argc, char** argv, int& i, const std::string& name, std::string& value);
// An argument that names a file rather than an option ("-" alone is a file: standard input).
inline bool IsOperand(const std::string& arg) { return !(arg.size() > 1 && arg[0] == '-'); }

// A command's usage lines ("usage: tessaly NAME ...\n"), for its messages about a command line it does
// not understand.
const char* UsageOf(std::string_view command);
// Whether value is one the command's option takes where its help lists the values as A|B|C; if
// not, says so on console.Err, naming the option and its values.
bool IsChoiceOf(const Console& console, std::string_view command, std::string_view option, const std::string& value);

// Commands; argv holds the command's own arguments. Each returns the exit status.
int RunInfo(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunImport(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunExport(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunConvert(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunCheck(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunPlot(const Plugin& plugin, const Console& console, int argc, char** argv);

}  // namespace tessaly::tool
