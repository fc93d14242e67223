#include "host_workout.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "diagnosis.h"
#include "util/civil_date.h"

namespace tessaly::tool {

bool FetchWorkout(const PluginApi& api, const std::string& path, Workout& w, std::string& error) {
  w = Workout{};
  // The plug-in reports a missing or unreadable file as an empty import; the system says more.
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
  } else {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  if (api.GetExerciseNumberFromRawFile(path.c_str()) == 0) {
    error = path + ": not a PWX file name (the plug-in takes only names ending in .pwx)";
    return false;
  }
  const std::int32_t count = api.AnalyseExercise(path.c_str(), 0);
  if (count <= 0 || api.GetLogSummaryEx(&w.Summary) == 0) {
    error = DiagnoseRefusal(api, path);
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
  return true;
}

std::string CalendarText(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return "";
  double whole = std::trunc(value);
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * 86400000.0));
  if (ms >= 86400000) {
    ms -= 86400000;
    whole += 1.0;
  }
  const CivilDate date = CivilFromDays(static_cast<std::int64_t>(whole) + kDateTimeEpochDay);
  const std::int64_t seconds = ms / 1000;
  char text[128];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02lld:%02lld:%02lld", date.Year, date.Month, date.Day,
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tessaly::tool
