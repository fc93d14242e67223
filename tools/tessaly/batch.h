// Many files through one command: each input to an output in one folder, progress while working,
// and a summary at the end. One bad file never stops the others.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "commands.h"

namespace tessaly::tool {

// Does the work for one input; false, with a one-line reason, when it fails.
using BatchStep = std::function<bool(const std::string& input, const std::string& output, std::string& error)>;

// Each input goes to outDir under its own name with the extension replaced by extension (".pwx",
// ".json"...). Shows progress on console.Err (a bar on a terminal, a line per file otherwise), then
// prints "N converted, M failed" and each failure's reason on console.Out. Returns the exit status:
// 0 when every file succeeded, 1 otherwise.
int RunBatch(const Console& console, const std::string& outDir, const std::vector<std::string>& inputs,
             const std::string& extension, const BatchStep& step);

}  // namespace tessaly::tool
