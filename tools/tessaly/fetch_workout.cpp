#include "fetch_workout.h"

#include <cstdint>
#include <cstring>

#include "diagnosis.h"
#include "workout_header.h"

namespace tessaly::tool {

bool OpenForPlugin(const PluginApi& api, const std::string& path, PlainWorkoutFile& file, std::string& error,
                   bool asTheHost) {
  if (!file.Open(path, error, asTheHost)) return false;
  if (api.GetExerciseNumberFromRawFile(file.Name().c_str()) == 0) {
    error = path + ": not a PWX file name (the plug-in takes only names ending in .pwx, this tool also .pwx.gz)";
    return false;
  }
  return true;
}

bool FetchWorkout(const PluginApi& api, const std::string& path, HostWorkout& w, std::string& error) {
  w = HostWorkout{};
  // The plug-in reads everything while AnalyseExercise runs; an unpacked copy goes when this returns.
  PlainWorkoutFile file;
  if (!OpenForPlugin(api, path, file, error)) return false;
  const std::string& plain = file.Path();
  const std::int32_t count = api.AnalyseExercise(plain.c_str(), 0);
  if (count <= 0 || api.GetLogSummaryEx(&w.Summary) == 0) {
    // Why, from the report of a read by the plug-in's own core: a second read, on failure only.
    if (PwxRead read; ReadWithReport(plain, api.GetAHFactor(), read, error)) error = DiagnoseRefusal(plain, read);
    file.NameAsGiven(error, path);  // a place in the unpacked text, under the name the user gave
    return false;
  }
  w.Samples.resize(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    ExerciseDataRecord& sample = w.Samples[static_cast<std::size_t>(i)];
    std::memset(&sample, 0, sizeof sample);  // SummaryPower and the reserved bytes stay 0
    if (api.GetExerciseDatasEx(i, &sample) == 0) {
      error = path + ": the plug-in gave no sample " + std::to_string(i) + " of " + std::to_string(count);
      return false;
    }
  }
  if (count > 5) w.SummaryAvgPower = w.Samples[5].SummaryPower;
  if (count > 6) w.SummaryMaxPower = w.Samples[6].SummaryPower;
  w.Laps.resize(w.Summary.LapCount);
  for (std::size_t j = 0; j < w.Laps.size(); ++j) {
    std::memset(&w.Laps[j], 0, sizeof w.Laps[j]);
    api.GetLapDatasEx(static_cast<std::int32_t>(j), &w.Laps[j]);
  }
  const std::int32_t length = api.GetComment(nullptr, 0);
  if (length > 0) {
    // The capacity travels in 16 bits: a longer comment comes back cut.
    w.CommentCut = length > 0xFFFF;
    const std::uint32_t capacity = static_cast<std::uint32_t>(w.CommentCut ? 0xFFFF : length);
    std::string comment(capacity + 1, '\0');
    api.GetComment(comment.data(), capacity);
    comment.resize(std::strlen(comment.c_str()));
    w.Comment = std::move(comment);
  }
  // A file the plug-in imported reads again; were it not to, the sport comes from the code alone.
  WorkoutHeader header;
  ReadWorkoutHeader(plain, header);
  w.Athlete = header.Athlete;
  w.StartInFile = header.HasTime;
  w.AltitudeThreshold = api.GetAHFactor();
  w.Sport = ImportedSport(w.Summary.SportType, header.SportTexts);
  return true;
}

}  // namespace tessaly::tool
