// Peak memory of one import or one export, beside the file size and the stores' own size.
//   pwx_peak_memory generate FILE      write the 24-hour benchmark workout
//   pwx_peak_memory parse FILE         expat alone, empty handlers
//   pwx_peak_memory import FILE        AnalyseExercise and every getter
//   pwx_peak_memory export FILE OUT    import, then every setter on a fresh state and ExportDatas
// Prints one line: "<mode> file_bytes=N stores_bytes=N baseline_kib=N peak_kib=N growth_kib=N".
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "benchmarks/workout_generator.h"
#include "plugin/plugin_core.h"

namespace {

using namespace tessaly;

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Memory the sample store's channels need for the samples they hold.
long StoresBytes(const PluginState& s) {
  const long perSample = 12 * sizeof(double) + 3 * sizeof(std::uint8_t) + sizeof(std::int32_t) + sizeof(std::string);
  return static_cast<long>(s.Workout.Samples.Count()) * perSample + s.Workout.Laps.Count() * static_cast<long>(sizeof(LapDataRecord));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: pwx_peak_memory generate|parse|import|export FILE [OUT]\n", stderr);
    return 2;
  }
  const std::string mode = argv[1];
  const char* path = argv[2];
  if (mode == "generate") {
    std::ofstream(path, std::ios::binary) << bench::MakeWorkoutDocument(86400, 24);
    return 0;
  }
  const long fileBytes = static_cast<long>(std::filesystem::file_size(path));
  auto state = std::make_unique<PluginState>();
  state->HostVersion = 700;
  // The host's own copy of the workout for an export is made before the baseline, without an
  // import: it is the host's memory, not the plug-in's.
  LogSummaryRecord summary{};
  std::vector<ExerciseDataRecord> samples;
  std::vector<LapDataRecord> laps;
  if (mode == "export") {
    summary.StartTime = 46174.25;
    summary.Duration = 86400;
    summary.SportType = 0;
    samples.resize(86400);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      ExerciseDataRecord& r = samples[i];
      std::memset(&r, 0, sizeof(r));
      const double t = static_cast<double>(i);
      r.TimeOffset = static_cast<std::int32_t>(i);
      r.HeartRate = static_cast<std::uint8_t>(120 + (i / 60) % 50);
      r.Speed = 28.8 + 7.2 * std::sin(t / 300.0);
      r.Power = static_cast<double>(150 + (i * 7) % 200);
      r.Cadence = static_cast<std::uint8_t>(80 + i % 17);
      r.Distance = t * 0.008;
      r.Latitude = 45.9 + t * 0.00005;
      r.Longitude = 6.1 + t * 0.00007;
      r.Altitude = 400 + 150 * std::sin(t / 2000.0);
    }
    laps.resize(24);
    for (std::size_t j = 0; j < laps.size(); ++j) {
      std::memset(&laps[j], 0, sizeof(LapDataRecord));
      laps[j].Duration = 3600;
      laps[j].EndOffset = 3600.0 * static_cast<double>(j + 1);
      laps[j].LapKind = 2;
    }
  }
  const long baseline = PeakKiB();
  long stores = 0;
  if (mode == "parse") {
    if (!bench::ParseWithEmptyHandlers(path)) return 1;
  } else if (mode == "import") {
    const std::int32_t n = AnalyseExercise(*state, path);
    if (n <= 0) return 1;
    ExerciseDataRecord sample{};
    LapDataRecord lap{};
    GetLogSummaryEx(*state, &summary);
    for (std::int32_t i = 0; i < n; ++i) GetExerciseDatasEx(*state, i, &sample);
    for (std::int32_t i = 0; i < summary.LapCount; ++i) GetLapDatasEx(*state, i, &lap);
    stores = StoresBytes(*state);
  } else if (mode == "export") {
    state = std::make_unique<PluginState>();
    state->HostVersion = 700;
    SetLogSummaryEx(*state, summary);
    for (std::size_t i = 0; i < samples.size(); ++i) SetExerciseDatasEx(*state, static_cast<std::int32_t>(i), samples[i]);
    for (const LapDataRecord& l : laps) SetLapDatasEx(*state, l);
    if (argc < 4 || ExportDatas(*state, argv[3]) != 1) return 1;
    stores = StoresBytes(*state);
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
  }
  const long peak = PeakKiB();
  std::printf("%s file_bytes=%ld stores_bytes=%ld baseline_kib=%ld peak_kib=%ld growth_kib=%ld\n", mode.c_str(),
              fileBytes, stores, baseline, peak, peak - baseline);
  return 0;
}
