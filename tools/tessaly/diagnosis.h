// What a file is, when the plug-in imports nothing from it, and what the import changes when it
// does. The plug-in only ever answers with a sample count; the tool reads the file again with the
// plug-in's own parser setup to say, in plain words first, what is wrong and what to do, and then,
// as the detail, where, the way XML tools do: FILE:LINE:COLUMN: message.
#pragma once

#include <string>
#include <vector>

#include "plugin_api.h"

namespace tessaly::tool {

struct HostWorkout;

// Why path is nothing the plug-in can be asked to import: a folder or a file that cannot be opened.
// One line starting with path; empty when it can be asked.
std::string DiagnoseUnusablePath(const std::string& path);

// Why the plug-in imported nothing from the file at path. One line, starting with path: what the
// file is or what is wrong and what to do, then in parentheses the place and the parser's own
// words where there are any. Lines count from 1 and columns from 0, as expat counts them.
std::string DiagnoseRefusal(const PluginApi& api, const std::string& path);

// What the import changed of the file at path, which the plug-in imported as workout: one line per
// kind of change, starting with "path: warning: ", with how often and the first place.
std::vector<std::string> ImportWarnings(const std::string& path, const HostWorkout& workout);

}  // namespace tessaly::tool
