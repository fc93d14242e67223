// tessaly plot FILE.pwx... [-o OUT.svg] [--smooth SECONDS] [--out-dir DIR]: the imported workout as
// a picture, to see at a glance what 3,000 rows of CSV hide (a heart-rate spike, a distance that
// stalls, laps in the wrong place).
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "batch.h"
#include "commands.h"
#include "fetch_workout.h"
#include "output_file.h"
#include "plot_svg.h"
#include "unpacked_file.h"

namespace tessaly::tool {
namespace {

const char* const kUsage = UsageOf("plot");
constexpr double kLongestSmoothing = 86400;  // a day: any longer window is the whole workout

// FILE.pwx (or FILE.pwx.gz) becomes FILE.svg beside it.
std::string DefaultOutput(const std::string& input) {
  const std::string plain = NameBeforeCompression(input);
  const std::size_t slash = plain.find_last_of("\\/");
  const std::size_t dot = plain.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? plain.substr(0, dot) : plain) + ".svg";
}

// Draws input into output; false with a one-line reason, the tool's own reasons (not the import's)
// after ownPrefix. No half-written picture is left behind.
bool PlotOne(const PluginApi& api, const PlotOptions& options, const std::string& input, const std::string& output,
             const std::string& ownPrefix, std::string& error, std::size_t& bytes) {
  if (error = InputReplacedRefusal(input, output); !error.empty()) {
    error = ownPrefix + error;
    return false;
  }
  HostWorkout workout;
  if (!FetchWorkout(api, input, workout, error)) return false;
  const std::string svg = PlotSvg(workout, options);
  if (!MakeFolderFor(output, error)) {
    error = ownPrefix + error;
    return false;
  }
  std::FILE* out = std::fopen(output.c_str(), "wb");
  if (out == nullptr) {
    error = ownPrefix + "cannot write " + output + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(svg.data(), 1, svg.size(), out) == svg.size();
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    error = ownPrefix + "cannot write " + output + ": " + std::strerror(errno);
    std::error_code ec;
    std::filesystem::remove(output, ec);
    return false;
  }
  bytes = svg.size();
  return true;
}

}  // namespace

int RunPlot(const Plugin& plugin, const Console& console, int argc, char** argv) {
  std::vector<std::string> inputs;
  std::string output, outDir, smooth;
  bool batch = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (TakeOption(argc, argv, i, "-o", output) || TakeOption(argc, argv, i, "--output", output) ||
        TakeOption(argc, argv, i, "--smooth", smooth)) {
    } else if (TakeOption(argc, argv, i, "--out-dir", outDir)) {
      batch = true;
    } else if (IsOperand(arg)) {
      inputs.push_back(arg);
    } else {
      std::fprintf(console.Err, "tessaly plot: unexpected argument '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  PlotOptions options;
  if (!smooth.empty()) {
    const auto r = std::from_chars(smooth.data(), smooth.data() + smooth.size(), options.SmoothSeconds);
    if (r.ec != std::errc() || r.ptr != smooth.data() + smooth.size() || !(options.SmoothSeconds >= 0) ||
        options.SmoothSeconds > kLongestSmoothing) {
      std::fprintf(console.Err, "tessaly plot: --smooth takes seconds from 0 to %d, not '%s'\n",
                   static_cast<int>(kLongestSmoothing), smooth.c_str());
      return 2;
    }
  }
  if (inputs.empty() || (batch && outDir.empty())) {
    std::fputs(kUsage, console.Err);
    return 2;
  }
  if (!output.empty() && (batch || inputs.size() > 1)) {
    std::fprintf(console.Err, "tessaly plot: -o names the picture of one file; several go beside their files or "
                              "into --out-dir DIR\n%s", kUsage);
    return 2;
  }

  const PluginApi& api = plugin.api();
  if (batch) {
    return RunBatch(console, outDir, inputs, ".svg",
                    [&](const std::string& input, const std::string& to, std::string& error) {
                      std::size_t bytes = 0;
                      return PlotOne(api, options, input, to, "", error, bytes);
                    });
  }
  int status = 0;
  for (const std::string& input : inputs) {
    const std::string to = output.empty() ? DefaultOutput(input) : output;
    std::string error;
    std::size_t bytes = 0;
    if (!PlotOne(api, options, input, to, "tessaly: ", error, bytes)) {
      std::fprintf(console.Err, "%s\n", error.c_str());
      status = 1;
      continue;
    }
    std::fprintf(console.Out, "%s: %s KB\n", to.c_str(), std::to_string((bytes + 1023) / 1024).c_str());
  }
  return status;
}

}  // namespace tessaly::tool
