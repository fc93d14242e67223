// What the guard every export runs in costs: the 24-hour workout imported and exported through the
// exports of the built library, as a host does it, and single export calls, beside the guard on
// its own. TESSALY_BENCH_PLUGIN names another build of the library to measure (an older one, to
// compare); by default the one beside this program.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "benchmarks/workout_generator.h"
#include "plugin/call_guard.h"
#include "plugin_api.h"
#include "tests/host_float_state.h"

namespace {

using namespace tessaly;

constexpr int kSeconds = bench::kDaySeconds;

const std::string& WorkoutPath() { return bench::DayWorkoutPath(); }

const tool::PluginApi* Plugin() {
  static const std::unique_ptr<tool::Plugin> plugin = [] {
    const char* chosen = std::getenv("TESSALY_BENCH_PLUGIN");
    std::string error;
    auto p = tool::Plugin::Load(chosen ? chosen : tool::os::DefaultPluginPath(), error);
    if (p) p->StartSession(std::filesystem::temp_directory_path().string());
    return p;
  }();
  return plugin ? &plugin->api() : nullptr;
}

// AnalyseExercise, the summary, every sample and every lap: 86,426 export calls.
void BM_HostImport(benchmark::State& st) {
  const tool::PluginApi* api = Plugin();
  if (api == nullptr) return st.SkipWithError("the plug-in library does not load");
  const std::string& path = WorkoutPath();
  ExerciseDataRecord sample{};
  LapDataRecord lap{};
  LogSummaryRecord summary{};
  std::int64_t calls = 0;
  for (auto _ : st) {
    const std::int32_t n = api->AnalyseExercise(path.c_str(), 0);
    if (n != kSeconds) st.SkipWithError("the import did not read every sample");
    api->GetLogSummaryEx(&summary);
    for (std::int32_t i = 0; i < n; ++i) api->GetExerciseDatasEx(i, &sample);
    for (std::int32_t i = 0; i < summary.LapCount; ++i) api->GetLapDatasEx(i, &lap);
    benchmark::DoNotOptimize(sample);
    calls = 2 + n + summary.LapCount;
  }
  st.counters["calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_HostImport)->Unit(benchmark::kMillisecond);

// Every setter, then ExportDatas, into stores emptied before each round.
void BM_HostExport(benchmark::State& st) {
  const tool::PluginApi* api = Plugin();
  if (api == nullptr) return st.SkipWithError("the plug-in library does not load");
  LogSummaryRecord summary{};
  std::vector<ExerciseDataRecord> samples(kSeconds);
  std::vector<LapDataRecord> laps;
  if (api->AnalyseExercise(WorkoutPath().c_str(), 0) != kSeconds) return st.SkipWithError("no workout to export");
  api->GetLogSummaryEx(&summary);
  for (std::int32_t i = 0; i < kSeconds; ++i) api->GetExerciseDatasEx(i, &samples[static_cast<std::size_t>(i)]);
  laps.resize(summary.LapCount);
  for (std::int32_t i = 0; i < summary.LapCount; ++i) api->GetLapDatasEx(i, &laps[static_cast<std::size_t>(i)]);
  const std::string target = (std::filesystem::temp_directory_path() /
                              ("tessaly-host-bench-export-" + std::to_string(getpid()) + ".pwx")).string();
  const std::string nothing = target + ".missing.pwx";
  for (auto _ : st) {
    st.PauseTiming();
    api->AnalyseExercise(nothing.c_str(), 0);  // a path with no file only empties the stores
    st.ResumeTiming();
    api->SetLogSummaryEx(summary);
    for (std::size_t i = 0; i < samples.size(); ++i) api->SetExerciseDatasEx(static_cast<std::int32_t>(i), samples[i]);
    for (const LapDataRecord& l : laps) api->SetLapDatasEx(0, l);
    api->SetComment("Benchmark ride");
    api->SetUser("Bench");
    if (api->ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0) != 1) st.SkipWithError("the export failed");
  }
  std::filesystem::remove(target);
}
BENCHMARK(BM_HostExport)->Unit(benchmark::kMillisecond);

// One cheap export call; argument 1: from a host with 53-bit x87 precision, so the guard switches
// the control word both ways.
void BM_ExportCall(benchmark::State& st) {
  const tool::PluginApi* api = Plugin();
  if (api == nullptr) return st.SkipWithError("the plug-in library does not load");
  ExerciseDataRecord sample{};
  api->AnalyseExercise(WorkoutPath().c_str(), 0);
  if (st.range(0) == 1) test::SetFloatState(test::kForeignFloatStates[0]);
  for (auto _ : st) benchmark::DoNotOptimize(api->GetExerciseDatasEx(100, &sample));
  test::SetFloatState(test::kDefaultFloatState);
}
BENCHMARK(BM_ExportCall)->Arg(0)->Arg(1);

// The guard alone, around a body that only reads one field.
void BM_Guard(benchmark::State& st) {
  AttachPluginState();
  for (auto _ : st) benchmark::DoNotOptimize(Guarded<std::int32_t>(0, [](PluginState& s) { return s.AHFactor; }));
  DetachPluginState();
}
BENCHMARK(BM_Guard);

// Its two parts: the floating-point environment switched in and out, the lock taken and let go.
void BM_FloatEnvironment(benchmark::State& st) {
  for (auto _ : st) {
    FloatEnvironmentScope floats;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FloatEnvironment);

void BM_Lock(benchmark::State& st) {
  for (auto _ : st) {
    std::lock_guard<std::mutex> lock(PluginLock());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Lock);

}  // namespace

BENCHMARK_MAIN();
