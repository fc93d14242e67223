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
//   host_rounds --plugin LIBRARY --versus OTHER [--rounds N] FILE...
//       the two libraries in one program, taking turns round by round (each round's order the
//       other way round from the last), so that the machine's swings in speed weigh on both alike:
//       per file, N rounds of an import and an export with each
// Prints one line per file and job:
//   "<parse|import|export|setters|call> samples=N median_ms=M ms=T1,T2,..." (N: calls for "call")
// With --versus: "<import|export> <LIBRARY|OTHER> samples=N median_ms=M ms=..." for each, then
// "<import|export> ratio median=R ratios=R1,..." (OTHER's time over LIBRARY's, round by round).
// A library loaded second runs a few per cent slower than the same library loaded first (an
// export up to 15%, its flush to disk): run the two both ways round before trusting a difference.
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

// One host import of the file: AnalyseExercise, the summary, every sample and every lap, into w
// when keep (the export's input), else into scratch records. Returns the sample count.
std::int32_t ImportOnce(const tool::PluginApi& api, const std::string& path, HostWorkout& w, bool keep) {
  ExerciseDataRecord sample{};
  LapDataRecord lap{};
  const std::int32_t n = api.AnalyseExercise(path.c_str(), 0);
  api.GetLogSummaryEx(&w.summary);
  if (keep) w.samples.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  for (std::int32_t i = 0; i < n; ++i) api.GetExerciseDatasEx(i, keep ? &w.samples[static_cast<std::size_t>(i)] : &sample);
  if (keep) w.laps.resize(w.summary.LapCount);
  for (std::int32_t i = 0; i < w.summary.LapCount; ++i) {
    api.GetLapDatasEx(i, keep ? &w.laps[static_cast<std::size_t>(i)] : &lap);
  }
  return n;
}

// One host export of w to target into emptied stores: every setter, then ExportDatas. Returns the
// time of the setters and of the whole, or nothing when the export fails.
bool ExportOnce(const tool::PluginApi& api, const std::string& path, const HostWorkout& w, const std::string& target,
                double& setters, double& whole) {
  api.AnalyseExercise((path + ".missing.pwx").c_str(), 0);  // a path with no file only empties the stores
  const Clock::time_point start = Clock::now();
  api.SetLogSummaryEx(w.summary);
  for (std::size_t i = 0; i < w.samples.size(); ++i) api.SetExerciseDatasEx(static_cast<std::int32_t>(i), w.samples[i]);
  for (const LapDataRecord& l : w.laps) api.SetLapDatasEx(0, l);
  api.SetComment("Benchmark ride");
  api.SetUser("Bench");
  const Clock::time_point set = Clock::now();
  const std::int32_t written = api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0);
  whole = Milliseconds(start, Clock::now());
  setters = Milliseconds(start, set);
  if (written != 1) std::fprintf(stderr, "host_rounds: the export to %s failed\n", target.c_str());
  return written == 1;
}

bool Run(const tool::PluginApi& api, const std::string& path, int rounds) {
  HostWorkout w;
  std::vector<double> times;
  std::vector<double> parses;
  std::int32_t count = 0;
  for (int r = 0; r < rounds; ++r) {
    const Clock::time_point parse_start = Clock::now();
    if (!bench::ParseWithEmptyHandlers(path.c_str())) {
      std::fprintf(stderr, "host_rounds: expat alone cannot read %s\n", path.c_str());
      return false;
    }
    parses.push_back(Milliseconds(parse_start, Clock::now()));
    const Clock::time_point start = Clock::now();
    const std::int32_t n = ImportOnce(api, path, w, r == 0);
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
  times.clear();
  std::vector<double> setters;
  for (int r = 0; r < rounds; ++r) {
    double set = 0.0, whole = 0.0;
    if (!ExportOnce(api, path, w, target, set, whole)) return false;
    times.push_back(whole);
    setters.push_back(set);
  }
  std::remove(target.c_str());
  Print("export", count, times);
  Print("setters", count, setters);  // the part of the export before ExportDatas

  // What one export call costs beside its work: the guard and the call itself.
  constexpr std::int32_t kCalls = 100000;
  ExerciseDataRecord sample{};
  times.clear();
  for (int r = 0; r < rounds; ++r) {
    const Clock::time_point start = Clock::now();
    for (std::int32_t k = 0; k < kCalls; ++k) api.GetExerciseDatasEx(k % count, &sample);
    times.push_back(Milliseconds(start, Clock::now()));
  }
  Print("call", kCalls, times);
  return true;
}

// Two libraries taking turns on the same file (see the top of this file).
bool RunVersus(const tool::PluginApi* apis[2], const char* names[2], const std::string& path, int rounds) {
  HostWorkout w[2];
  std::vector<double> imports[2], exports[2], importRatios, exportRatios;
  std::int32_t count = 0;
  const std::string target = path + ".export.pwx";
  for (int r = 0; r < rounds; ++r) {
    double imported[2] = {}, exported[2] = {};
    for (int turn = 0; turn < 2; ++turn) {
      const int k = r % 2 == 0 ? turn : 1 - turn;
      const Clock::time_point start = Clock::now();
      count = ImportOnce(*apis[k], path, w[k], r == 0);
      imported[k] = Milliseconds(start, Clock::now());
      double set = 0.0;
      if (count <= 0 || !ExportOnce(*apis[k], path, w[k], target, set, exported[k])) return false;
      imports[k].push_back(imported[k]);
      exports[k].push_back(exported[k]);
    }
    importRatios.push_back(imported[1] / imported[0]);
    exportRatios.push_back(exported[1] / exported[0]);
  }
  std::remove(target.c_str());
  const auto report = [&](const char* job, const std::vector<double> (&times)[2], const std::vector<double>& ratios) {
    for (int k = 0; k < 2; ++k) Print((std::string(job) + " " + names[k]).c_str(), count, times[k]);
    std::printf("%s ratio median=%.3f ratios=", job, Median(ratios));
    for (std::size_t i = 0; i < ratios.size(); ++i) std::printf("%s%.3f", i == 0 ? "" : ",", ratios[i]);
    std::printf("\n");
  };
  report("import", imports, importRatios);
  report("export", exports, exportRatios);
  return true;
}

int Usage() {
  std::fputs("usage: host_rounds generate FILE SECONDS [common|dense|sparse]\n"
             "       host_rounds [--plugin LIBRARY] [--rounds N] FILE...\n"
             "       host_rounds --plugin LIBRARY --versus OTHER [--rounds N] FILE...\n",
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
  std::string other;
  int rounds = 5;
  std::vector<std::string> files;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--plugin" && k + 1 < argc) {
      library = argv[++k];
    } else if (arg == "--versus" && k + 1 < argc) {
      other = argv[++k];
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
  std::unique_ptr<tool::Plugin> second;
  if (plugin && !other.empty()) second = tool::Plugin::Load(other, error);
  if (!plugin || (!other.empty() && !second)) {
    std::fprintf(stderr, "host_rounds: %s\n", error.c_str());
    return 1;
  }
  plugin->StartSession(".");
  if (second) second->StartSession(".");
  const tool::PluginApi* apis[2] = {&plugin->api(), second ? &second->api() : nullptr};
  const char* names[2] = {library.c_str(), other.c_str()};
  for (const std::string& file : files) {
    std::printf("file %s\n", file.c_str());
    if (!(second ? RunVersus(apis, names, file, rounds) : Run(plugin->api(), file, rounds))) return 1;
  }
  return 0;
}
