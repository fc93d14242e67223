// tessaly plot FILE.pwx [-o OUT.svg]: the imported workout as a picture, to see at a glance what
// 3,000 rows of CSV hide (a heart-rate spike, a distance that stalls, laps in the wrong place).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "output_file.h"
#include "plot_svg.h"
#include "plugin_api.h"
#include "host_workout.h"

namespace tessaly::tool {
namespace {

const char* const kUsage = UsageOf("plot");

// FILE.pwx becomes FILE.svg beside it.
std::string DefaultOutput(const std::string& input) {
  const std::size_t slash = input.find_last_of("\\/");
  const std::size_t dot = input.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? input.substr(0, dot) : input) + ".svg";
}

}  // namespace

int RunPlot(const Plugin& plugin, const Console& console, int argc, char** argv) {
  std::string input;
  std::string output;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (TakeOption(argc, argv, i, "-o", output) || TakeOption(argc, argv, i, "--output", output)) {
    } else if (input.empty() && IsOperand(arg)) {
      input = arg;
    } else {
      std::fprintf(console.Err, "tessaly plot: unexpected argument '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (input.empty()) {
    std::fputs(kUsage, console.Err);
    return 2;
  }
  if (output.empty()) output = DefaultOutput(input);
  if (const std::string refusal = InputReplacedRefusal(input, output); !refusal.empty()) {
    std::fprintf(console.Err, "tessaly: %s\n", refusal.c_str());
    return 1;
  }

  Workout workout;
  std::string error;
  if (!FetchWorkout(plugin.api(), input, workout, error)) {
    std::fprintf(console.Err, "%s\n", error.c_str());
    return 1;
  }
  const std::string svg = PlotSvg(workout);
  if (!MakeFolderFor(output, error)) {
    std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
    return 1;
  }
  std::FILE* out = std::fopen(output.c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(console.Err, "tessaly: cannot write %s: %s\n", output.c_str(), std::strerror(errno));
    return 1;
  }
  const bool written = std::fwrite(svg.data(), 1, svg.size(), out) == svg.size();
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    std::fprintf(console.Err, "tessaly: cannot write %s: %s\n", output.c_str(), std::strerror(errno));
    std::error_code ec;
    std::filesystem::remove(output, ec);
    return 1;
  }
  std::fprintf(console.Out, "%s: %s KB\n", output.c_str(), std::to_string((svg.size() + 1023) / 1024).c_str());
  return 0;
}

}  // namespace tessaly::tool
