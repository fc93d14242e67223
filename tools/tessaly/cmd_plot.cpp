// tessaly plot FILE.pwx... [-o OUT.svg|-] [--smooth SECONDS] [--out-dir DIR]: the imported workout as
// a picture, to see at a glance what 3,000 rows of CSV hide (a heart-rate spike, a distance that
// stalls, laps in the wrong place).
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch.h"
#include "commands.h"
#include "fetch_workout.h"
#include "output_file.h"
#include "plot_svg.h"
#include "unpacked_file.h"
#include "util/ascii.h"

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

// Why output is no name for a picture: plot writes SVG. Empty when it is one, or "-".
std::string SvgTargetRefusal(const std::string& output) {
  const std::string name = std::filesystem::path(output).filename().string();
  const std::size_t dot = name.rfind('.');
  if (output == kStandardStream || (dot != std::string::npos && dot > 0 && EqualsLowerAscii(std::string_view(name).substr(dot), ".svg"))) {
    return {};
  }
  return output + ": not an SVG file name; plot draws SVG pictures, named .svg (or - for standard output)";
}

// Draws input into output ("-": console.Out); false with a one-line reason, the tool's own reasons
// (not the import's) after ownPrefix. No half-written picture is left behind.
bool PlotOne(const PluginApi& api, const Console& console, const PlotOptions& options, const std::string& input,
             const std::string& output, const std::string& ownPrefix, std::string& error, std::size_t& bytes) {
  const bool toOutput = output == kStandardStream;
  if (error = toOutput ? "" : InputReplacedRefusal(input, output); !error.empty()) {
    error = ownPrefix + error;
    return false;
  }
  HostWorkout workout;
  if (!FetchWorkout(api, input, workout, error)) return false;
  const std::string svg = PlotSvg(workout, options);
  bytes = svg.size();
  if (toOutput) {
    os::UseBinary(console.Out);
    if (std::fwrite(svg.data(), 1, svg.size(), console.Out) != svg.size()) OutputFailed(console, errno);
    return true;
  }
  if (!MakeFolderFor(output, error)) {
    error = ownPrefix + error;
    return false;
  }
  const auto write = [&](std::FILE* out) { return std::fwrite(svg.data(), 1, svg.size(), out) == svg.size(); };
  if (WriteWholeFile(output, write, error)) return true;
  error = ownPrefix + error;
  return false;
}

}  // namespace

int RunPlot(const Plugin& plugin, const Console& console, const Arguments& args) {
  const std::vector<std::string>& inputs = args.Operands;
  const std::string output = args.Value("--output"), outDir = args.Value("--out-dir"), smooth = args.Value("--smooth");
  const bool batch = args.Has("--out-dir");
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
    return NotUnderstood(console, "plot", "-o names the picture of one file; several go beside their files or into --out-dir DIR");
  }
  if (const std::string refusal = output.empty() ? "" : SvgTargetRefusal(output); !refusal.empty()) {
    std::fprintf(console.Err, "tessaly: %s\n", refusal.c_str());
    return 1;
  }

  const PluginApi& api = plugin.api();
  if (batch) {
    return RunBatch(console, outDir, inputs, ".svg",
                    [&](const std::string& input, const std::string& to, std::string& error) {
                      std::size_t bytes = 0;
                      return PlotOne(api, console, options, input, to, "", error, bytes);
                    });
  }
  int status = 0;
  for (const std::string& input : inputs) {
    // Standard input has no name to put a picture beside: it goes to standard output.
    const std::string to = !output.empty() ? output : input == kStandardStream ? input : DefaultOutput(input);
    std::string error;
    std::size_t bytes = 0;
    if (!PlotOne(api, console, options, input, to, "tessaly: ", error, bytes)) {
      std::fprintf(console.Err, "%s\n", error.c_str());
      status = 1;
      continue;
    }
    // Standard output holds the picture itself.
    if (to != kStandardStream) {
      std::fprintf(console.Out, "%s: %s KB\n", to.c_str(), std::to_string((bytes + 1023) / 1024).c_str());
    }
  }
  return status;
}

}  // namespace tessaly::tool
