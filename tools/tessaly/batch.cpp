#include "batch.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "output_file.h"
#include "unpacked_file.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

std::string OutputPath(const std::string& outDir, const std::string& input, const std::string& extension) {
  // NAME.pwx.gz is NAME, not NAME.pwx; standard input has no name of its own.
  std::string name = input == kStandardStream ? std::string(kStandardInputName)
                                              : NameBeforeCompression(std::filesystem::path(input).filename().string());
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  const char last = outDir.empty() ? '/' : outDir.back();
  return outDir + (last == '/' || last == '\\' ? "" : "/") + name + extension;
}

// A terminal gets one line redrawn in place; the name is cut so the line never wraps.
void ShowBar(std::FILE* err, std::size_t done, std::size_t total, const std::string& name) {
  constexpr std::size_t kBar = 30;
  constexpr std::size_t kName = 32;
  const std::size_t filled = total == 0 ? kBar : done * kBar / total;
  std::string line = "\r[" + std::string(filled, '#') + std::string(kBar - filled, '.') + "] " +
                     std::to_string(done) + "/" + std::to_string(total) + " ";
  line += name.size() > kName ? name.substr(0, kName - 3) + "..." : name;
  line += std::string(kName + 1 - std::min(name.size(), kName), ' ');
  std::fputs(line.c_str(), err);
  std::fflush(err);
}

}  // namespace

int RunBatch(const Console& console, const std::string& outDir, const std::vector<std::string>& inputs,
             const std::string& extension, const BatchStep& step) {
  std::error_code ec;
  if (std::string error; !MakeFolder(outDir, error)) {
    std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
    return 1;
  }
  std::vector<std::string> failures;
  std::set<std::string> written;  // outputs of this batch, so that a second file of one name cannot replace the first
  const std::size_t total = inputs.size();
  for (std::size_t k = 0; k < total; ++k) {
    const std::string& input = inputs[k];
    if (console.ErrIsTerminal) {
      ShowBar(console.Err, k, total, std::filesystem::path(input).filename().string());
    } else {
      std::fprintf(console.Err, "[%s/%s] %s\n", std::to_string(k + 1).c_str(), std::to_string(total).c_str(),
                   input.c_str());
    }
    const std::string output = OutputPath(outDir, input, extension);
    std::string error;
    bool ok = false;
    const fs::path canonical = fs::weakly_canonical(output, ec);
    if (!written.insert(ec ? output : canonical.string()).second) {
      error = input + ": an earlier file of this batch was written to " + output + " already";
    } else if (error = InputReplacedRefusal(input, output); error.empty()) {
      ok = step(input, output, error);
    }
    if (!ok) failures.push_back(error.empty() ? input + ": failed" : error);
  }
  if (console.ErrIsTerminal) {
    ShowBar(console.Err, total, total, "");
    std::fputc('\n', console.Err);
  }
  std::fprintf(console.Out, "%s converted, %s failed\n", std::to_string(total - failures.size()).c_str(),
               std::to_string(failures.size()).c_str());
  for (const std::string& failure : failures) std::fprintf(console.Out, "  %s\n", failure.c_str());
  return failures.empty() ? 0 : 1;
}

}  // namespace tessaly::tool
