#include "host_workout.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "diagnosis.h"
#include "unpacked_file.h"
#include "workout_header.h"
#include "util/civil_date.h"

namespace tessaly::tool {

bool FetchWorkout(const PluginApi& api, const std::string& path, Workout& w, std::string& error) {
  w = Workout{};
  error = DiagnoseUnusablePath(path);
  if (!error.empty()) return false;
  // The plug-in reads everything while AnalyseExercise runs; an unpacked copy goes when this returns.
  PlainWorkoutFile file;
  if (!file.Open(path, error)) return false;
  if (api.GetExerciseNumberFromRawFile(NameBeforeCompression(path).c_str()) == 0) {
    error = path + ": not a PWX file name (the plug-in takes only names ending in .pwx, this tool also .pwx.gz)";
    return false;
  }
  const std::string& plain = file.Path();
  const std::int32_t count = api.AnalyseExercise(plain.c_str(), 0);
  if (count <= 0 || api.GetLogSummaryEx(&w.Summary) == 0) {
    error = DiagnoseRefusal(api, plain);
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
  w.Sport = ImportedSport(w.Summary.SportType, header.SportTexts);
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

std::optional<double> CalendarValue(std::string_view text) {
  // Digits at every place but the separators, each part read on its own.
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  const auto part = [&](std::size_t at, std::size_t length) {
    int value = -1;
    const char* end = text.data() + at + length;
    const auto result = std::from_chars(text.data() + at, end, value);
    return result.ec == std::errc() && result.ptr == end && text[at] != '-' && text[at] != '+' ? value : -1;
  };
  const int year = part(0, 4), month = part(5, 2), day = part(8, 2);
  const int hour = part(11, 2), minute = part(14, 2), second = part(17, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59)
    return std::nullopt;
  const std::int64_t days = DaysFromCivil(year, month, day);
  const CivilDate back = CivilFromDays(days);
  if (back.Month != month || back.Day != day) return std::nullopt;  // 30 February
  return static_cast<double>(days - kDateTimeEpochDay) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace tessaly::tool
