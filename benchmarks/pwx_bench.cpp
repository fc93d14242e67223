// Import and export of a 24-hour, one-second workout (86,400 samples, 24 segments), each beside
// the floor it is measured against: expat alone with empty handlers on the same file for the
// import; formatting the same numbers alone, and writing the same bytes, for the export.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "benchmarks/workout_generator.h"
#include "plugin/plugin_core.h"

namespace {

using namespace tessaly;

constexpr int kSeconds = bench::kDaySeconds;

const std::string& WorkoutPath() { return bench::DayWorkoutPath(); }

void BM_ParseOnly(benchmark::State& st) {
  const std::string& path = WorkoutPath();
  for (auto _ : st) {
    const bool ok = bench::ParseWithEmptyHandlers(path.c_str());
    if (!ok) st.SkipWithError("expat rejected the workout");
  }
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) *
                       static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

// What a host does: AnalyseExercise, then the summary, every sample and every lap.
void BM_Import(benchmark::State& st) {
  const std::string& path = WorkoutPath();
  PluginState state;
  ExerciseDataRecord sample{};
  LapDataRecord lap{};
  LogSummaryRecord summary{};
  for (auto _ : st) {
    const std::int32_t n = AnalyseExercise(state, path.c_str());
    if (n != kSeconds) st.SkipWithError("the import did not read every sample");
    GetLogSummaryEx(state, &summary);
    for (std::int32_t i = 0; i < n; ++i) GetExerciseDatasEx(state, i, &sample);
    for (std::int32_t i = 0; i < summary.LapCount; ++i) GetLapDatasEx(state, i, &lap);
    benchmark::DoNotOptimize(sample);
  }
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) *
                       static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

struct HostWorkout {
  LogSummaryRecord summary{};
  std::vector<ExerciseDataRecord> samples;
  std::vector<LapDataRecord> laps;
};

const HostWorkout& Workout() {
  static const HostWorkout w = [] {
    HostWorkout h;
    PluginState state;
    const std::int32_t n = AnalyseExercise(state, WorkoutPath().c_str());
    GetLogSummaryEx(state, &h.summary);
    h.samples.resize(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) GetExerciseDatasEx(state, i, &h.samples[static_cast<std::size_t>(i)]);
    h.laps.resize(h.summary.LapCount);
    for (std::int32_t i = 0; i < h.summary.LapCount; ++i) GetLapDatasEx(state, i, &h.laps[static_cast<std::size_t>(i)]);
    return h;
  }();
  return w;
}

std::string ExportTarget() {
  return (std::filesystem::temp_directory_path() / ("tessaly-bench-export-" + std::to_string(getpid()) + ".pwx"))
      .string();
}

// What a host does: every setter, then ExportDatas, on a freshly loaded plug-in each time.
void BM_Export(benchmark::State& st) {
  const HostWorkout& w = Workout();
  if (w.samples.size() != static_cast<std::size_t>(kSeconds)) st.SkipWithError("the workout did not import whole");
  const std::string target = ExportTarget();
  for (auto _ : st) {
    st.PauseTiming();
    auto state = std::make_unique<PluginState>();
    state->HostVersion = 700;
    st.ResumeTiming();
    SetLogSummaryEx(*state, w.summary);
    for (std::size_t i = 0; i < w.samples.size(); ++i) SetExerciseDatasEx(*state, static_cast<std::int32_t>(i), w.samples[i]);
    for (const LapDataRecord& lap : w.laps) SetLapDatasEx(*state, lap);
    state->Workout.Comment = "Benchmark ride";
    state->Workout.UserName = "Bench";
    if (ExportDatas(*state, target.c_str()) != 1) st.SkipWithError("the export failed");
  }
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

// The floor of the export: the same numbers at the writer's precisions, with the sample template
// text, into one buffer, by std::to_chars.
void FormatFloor(std::string& out, const HostWorkout& w) {
  out.clear();
  char buf[64];
  const auto num = [&](double v, int decimals) {
    auto r = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, decimals);
    out.append(buf, static_cast<std::size_t>(r.ptr - buf));
  };
  const auto integer = [&](long v) {
    auto r = std::to_chars(buf, buf + sizeof(buf), v);
    out.append(buf, static_cast<std::size_t>(r.ptr - buf));
  };
  for (const ExerciseDataRecord& s : w.samples) {
    out += "    <sample>\r\n      <timeoffset>"; num(s.TimeOffset, 3);
    out += "</timeoffset>\r\n      <hr>"; integer(s.HeartRate);
    out += "</hr>\r\n      <spd>"; num(s.Speed * 1000 / 3600, 3);
    out += "</spd>\r\n      <pwr>"; num(s.Power, 0);
    out += "</pwr>\r\n      <pwrright>"; integer(0);
    out += "</pwrright>\r\n      <cad>"; integer(s.Cadence);
    out += "</cad>\r\n      <dist>"; num(s.Distance * 1000, 2);
    out += "</dist>\r\n      <lat>"; num(s.Latitude, 6);
    out += "</lat>\r\n      <lon>"; num(s.Longitude, 6);
    out += "</lon>\r\n      <alt>"; num(s.Altitude, 2);
    out += "</alt>\r\n      <temp>"; num(s.Temperature, 1);
    out += "</temp>\r\n    </sample>\r\n";
  }
}

void BM_FormatFloor(benchmark::State& st) {
  const HostWorkout& w = Workout();
  std::string out;
  for (auto _ : st) {
    FormatFloor(out, w);
    benchmark::DoNotOptimize(out.data());
  }
  st.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_FormatFloor)->Unit(benchmark::kMillisecond);

void BM_WriteFloor(benchmark::State& st) {
  std::string out;
  FormatFloor(out, Workout());
  const std::string target = ExportTarget() + ".raw";
  for (auto _ : st) {
    std::FILE* f = std::fopen(target.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
  }
  std::remove(target.c_str());
}
BENCHMARK(BM_WriteFloor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
