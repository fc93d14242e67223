// The plug-in library as a host drives it, timed in plain rounds: built natively it loads
// libtessaly.so, built for Windows it loads tessaly.dll (run under Wine), so that both can be
// measured by the same program on the same files. No benchmark library: each round is timed with
// the system's clock and the medians are printed.
//   host_rounds generate FILE SECONDS [common|dense|sparse]
//       writes the benchmark workout of SECONDS one-second samples, one segment an hour, with the
//       sample channels named (common unless named; see SampleChannels)
//   host_rounds [--plugin LIBRARY] [--rounds N] FILE...
//       per file: N imports (AnalyseExercise, the summary, every sample, every lap), each after a
//       parse of the same file by expat alone with empty handlers (the floor: this program is
//       linked with the library's own expat build), then N exports
//       of what the first import gave (every setter and ExportDatas into emptied stores), then N
//       rounds of 100,000 GetExerciseDatasEx calls (what the guard and the call cost)
// Prints one line per file and job:
//   "<parse|import|export|setters|call> samples=N median_ms=M ms=T1,T2,..." (N: calls for "call")
// Times are wall-clock milliseconds of each round.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "benchmarks/workout_generator.h"
#include "plugin_api.h"

namespace {

using namespace tessaly;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void Print(const char* job, std::int32_t samples, const std::vector<double>& times) {
  std::printf("%s samples=%d median_ms=%.3f ms=", job, samples, Median(times));
  for (std::size_t k = 0; k < times.size(); ++k) std::printf("%s%.3f", k == 0 ? "" : ",", times[k]);
  std::printf("\n");
  std::fflush(stdout);
}

// What the host keeps of one imported workout.
struct HostWorkout {
  LogSummaryRecord summary{};
  std::vector<ExerciseDataRecord> samples;
  std::vector<LapDataRecord> laps;
};

bool Run(const tool::PluginApi& api, const std::string& path, int rounds) {
  HostWorkout w;
  std::vector<double> times;
  std::vector<double> parses;
  ExerciseDataRecord sample{};
  LapDataRecord lap{};
  std::int32_t count = 0;
  for (int r = 0; r < rounds; ++r) {
    const Clock::time_point parse_start = Clock::now();
    if (!bench::ParseWithEmptyHandlers(path.c_str())) {
      std::fprintf(stderr, "host_rounds: expat alone cannot read %s\n", path.c_str());
      return false;
    }
    parses.push_back(Milliseconds(parse_start, Clock::now()));
    const Clock::time_point start = Clock::now();
    const std::int32_t n = api.AnalyseExercise(path.c_str(), 0);
    api.GetLogSummaryEx(&w.summary);
    const bool keep = r == 0;  // the first round's records are the export's input
    if (keep) w.samples.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    for (std::int32_t i = 0; i < n; ++i) api.GetExerciseDatasEx(i, keep ? &w.samples[static_cast<std::size_t>(i)] : &sample);
    if (keep) w.laps.resize(w.summary.LapCount);
    for (std::int32_t i = 0; i < w.summary.LapCount; ++i) {
      api.GetLapDatasEx(i, keep ? &w.laps[static_cast<std::size_t>(i)] : &lap);
    }
    times.push_back(Milliseconds(start, Clock::now()));
    if (n <= 0) {
      std::fprintf(stderr, "host_rounds: %s imports no samples\n", path.c_str());
      return false;
    }
    count = n;
  }
  Print("parse", count, parses);
  Print("import", count, times);

  const std::string target = path + ".export.pwx";
  const std::string nothing = path + ".missing.pwx";
  times.clear();
  std::vector<double> setters;
  for (int r = 0; r < rounds; ++r) {
    api.AnalyseExercise(nothing.c_str(), 0);  // a path with no file only empties the stores
    const Clock::time_point start = Clock::now();
    api.SetLogSummaryEx(w.summary);
    for (std::size_t i = 0; i < w.samples.size(); ++i) api.SetExerciseDatasEx(static_cast<std::int32_t>(i), w.samples[i]);
    for (const LapDataRecord& l : w.laps) api.SetLapDatasEx(0, l);
    api.SetComment("Benchmark ride");
    api.SetUser("Bench");
    const Clock::time_point set = Clock::now();
    const std::int32_t written = api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0);
    times.push_back(Milliseconds(start, Clock::now()));
    setters.push_back(Milliseconds(start, set));
    if (written != 1) {
      std::fprintf(stderr, "host_rounds: the export to %s failed\n", target.c_str());
      return false;
    }
  }
  std::remove(target.c_str());
  Print("export", count, times);
  Print("setters", count, setters);  // the part of the export before ExportDatas

  // What one export call costs beside its work: the guard and the call itself.
  constexpr std::int32_t kCalls = 100000;
  times.clear();
  for (int r = 0; r < rounds; ++r) {
    const Clock::time_point start = Clock::now();
    for (std::int32_t k = 0; k < kCalls; ++k) api.GetExerciseDatasEx(k % count, &sample);
    times.push_back(Milliseconds(start, Clock::now()));
  }
  Print("call", kCalls, times);
  return true;
}

int Usage() {
  std::fputs("usage: host_rounds generate FILE SECONDS [common|dense|sparse]\n"
             "       host_rounds [--plugin LIBRARY] [--rounds N] FILE...\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "generate") == 0) {
    if (argc != 4 && argc != 5) return Usage();
    const int seconds = std::atoi(argv[3]);
    const std::string kind = argc == 5 ? argv[4] : "common";
    bench::SampleChannels channels = bench::SampleChannels::kCommon;
    if (kind == "dense") {
      channels = bench::SampleChannels::kDense;
    } else if (kind == "sparse") {
      channels = bench::SampleChannels::kSparse;
    } else if (kind != "common") {
      return Usage();
    }
    if (seconds <= 0) return Usage();
    std::ofstream out(argv[2], std::ios::binary);
    out << bench::MakeWorkoutDocument(seconds, std::max(1, seconds / 3600), channels);
    return out ? 0 : 1;
  }
  std::string library = tool::os::DefaultPluginPath();
  int rounds = 5;
  std::vector<std::string> files;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--plugin" && k + 1 < argc) {
      library = argv[++k];
    } else if (arg == "--rounds" && k + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++k]));
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return Usage();
  std::string error;
  const std::unique_ptr<tool::Plugin> plugin = tool::Plugin::Load(library, error);
  if (!plugin) {
    std::fprintf(stderr, "host_rounds: %s\n", error.c_str());
    return 1;
  }
  plugin->StartSession(".");
  for (const std::string& file : files) {
    std::printf("file %s\n", file.c_str());
    if (!Run(plugin->api(), file, rounds)) return 1;
  }
  return 0;
}
