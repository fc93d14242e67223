// Why the plug-in imported nothing from a file. The plug-in only ever answers with a sample count
// of 0; the tool reads the file again with the same parser and the same settings to say which of
// its reasons it was, and where, the way XML tools do: FILE:LINE:COLUMN: message.
#pragma once

#include <string>

#include "plugin_api.h"

namespace tessaly::tool {

// One line, starting with path: a parser error with expat's position and message, a document type
// declaration, nesting deeper than the plug-in reads, an impossible start time quoting its text,
// or "no samples". Lines count from 1 and columns from 0, as expat counts them.
std::string DiagnoseRefusal(const PluginApi& api, const std::string& path);

}  // namespace tessaly::tool
