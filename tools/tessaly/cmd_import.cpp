// tessaly import FILE [--format text|json|csv]: imports a PWX file the way the training log does
// (AnalyseExercise, then the summary, every sample, every lap and the comment) and prints it.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "plugin_api.h"
#include "record_fields.h"

namespace tessaly::tool {
namespace {

using Json = nlohmann::ordered_json;

struct ImportedWorkout {
  LogSummaryRecord Summary{};
  std::int32_t SummaryAvgPower = 0;
  std::int32_t SummaryMaxPower = 0;
  std::vector<ExerciseDataRecord> Samples;
  std::vector<LapDataRecord> Laps;
  std::string Comment;  // UTF-8
};

// Shortest text that reads back as the same double, whatever the locale.
std::string Number(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

// A text field as UTF-8: host text in a fixed array, zero-terminated unless it fills the array.
template <std::size_t Size, class Record>
std::string TextField(const Record& record, std::size_t offset) {
  const auto text = LoadField<std::array<char, Size>>(record, offset);
  return os::HostToUtf8(std::string(text.begin(), std::find(text.begin(), text.end(), '\0')));
}

// A DateTime (days since 1899-12-30, the fraction the time of day) as YYYY-MM-DDThh:mm:ss, rounded
// to the nearest millisecond first and the milliseconds then dropped.
std::string CalendarText(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return "";
  double whole = std::trunc(value);
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * 86400000.0));
  if (ms >= 86400000) {
    ms -= 86400000;
    whole += 1.0;
  }
  // Days since 1970-01-01 to a civil date (proleptic Gregorian).
  std::int64_t z = static_cast<std::int64_t>(whole) - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t year = yoe + era * 400;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  if (month <= 2) ++year;
  const std::int64_t seconds = ms / 1000;
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day),
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

// Everything through the exports, in the order the host calls them. Returns the sample count.
std::int32_t Fetch(const PluginApi& api, const std::string& path, ImportedWorkout& w) {
  const std::int32_t count = api.AnalyseExercise(path.c_str(), 0);
  if (count <= 0) return count;
  if (api.GetLogSummaryEx(&w.Summary) == 0) return 0;
  w.Samples.resize(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    ExerciseDataRecord& sample = w.Samples[static_cast<std::size_t>(i)];
    std::memset(&sample, 0, sizeof sample);  // SummaryPower stays 0 unless the plug-in fills it
    api.GetExerciseDatasEx(i, &sample);
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
    std::string comment(static_cast<std::size_t>(length) + 1, '\0');
    // The capacity travels in 16 bits: a longer comment comes back cut.
    const std::uint32_t capacity = static_cast<std::uint32_t>(length > 0xFFFF ? 0xFFFF : length);
    api.GetComment(comment.data(), capacity);
    comment.resize(std::strlen(comment.c_str()));
    w.Comment = os::HostToUtf8(comment);
  }
  return count;
}

// One field of a record as JSON: a number keeps its type, a text array becomes UTF-8.
template <class Record>
Json FieldJson(const Record& record, const RecordField<Record>& field) {
  return std::visit(
      [&](auto type) -> Json {
        using T = typename decltype(type)::type;
        if constexpr (std::is_array_v<T>) {
          return TextField<sizeof(T)>(record, field.Offset);
        } else {
          return LoadField<T>(record, field.Offset);
        }
      },
      field.Type);
}

template <class Record, std::size_t N>
Json RecordJson(const RecordField<Record> (&fields)[N], const Record& record) {
  Json j;
  for (const RecordField<Record>& field : fields) j[field.Name] = FieldJson(record, field);
  return j;
}

Json SummaryJson(const ImportedWorkout& w) {
  Json j = RecordJson(kSummaryFields, w.Summary);
  j["SummaryAvgPower"] = w.SummaryAvgPower;
  j["SummaryMaxPower"] = w.SummaryMaxPower;
  j["Start"] = CalendarText(w.Summary.StartTime);
  return j;
}

void PrintJson(const ImportedWorkout& w) {
  Json root;
  root["format"] = "tessaly-workout";
  root["version"] = 1;
  root["athlete"] = "";
  root["comment"] = w.Comment;
  root["summary"] = SummaryJson(w);
  Json samples = Json::array();
  for (const ExerciseDataRecord& d : w.Samples) samples.push_back(RecordJson(kSampleFields, d));
  root["samples"] = std::move(samples);
  Json laps = Json::array();
  for (const LapDataRecord& l : w.Laps) laps.push_back(RecordJson(kLapFields, l));
  root["laps"] = std::move(laps);
  // Texts that are not valid UTF-8 are replaced rather than failing the whole output.
  std::fputs(root.dump(1, ' ', false, Json::error_handler_t::replace).c_str(), stdout);
  std::fputc('\n', stdout);
}

std::string CsvText(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// The CSV keeps an order of its own: the time first, the free text last.
constexpr const char* kCsvColumns[] = {
    "TimeOffset", "HeartRate", "Distance", "Speed", "Altitude", "Temperature", "Power", "PowerBalance",
    "Cadence", "Latitude", "Longitude", "TorqueEffectivenessLeft", "TorqueEffectivenessRight",
    "PedalSmoothnessLeft", "PedalSmoothnessRight", "SampleByte", "SampleText"};

// Where a name stands in the sample table; the table's size when it is not there.
constexpr std::size_t SampleFieldIndex(std::string_view name) {
  std::size_t i = 0;
  while (i < std::size(kSampleFields) && name != kSampleFields[i].Name) ++i;
  return i;
}

static_assert(std::ranges::all_of(kCsvColumns,
                                  [](const char* name) { return SampleFieldIndex(name) < std::size(kSampleFields); }),
              "every CSV column is a sample field");

std::string FieldCsv(const ExerciseDataRecord& record, const RecordField<ExerciseDataRecord>& field) {
  return std::visit(
      [&](auto type) -> std::string {
        using T = typename decltype(type)::type;
        if constexpr (std::is_array_v<T>) {
          return CsvText(TextField<sizeof(T)>(record, field.Offset));
        } else if constexpr (std::is_floating_point_v<T>) {
          return Number(LoadField<T>(record, field.Offset));
        } else {
          return std::to_string(LoadField<T>(record, field.Offset));
        }
      },
      field.Type);
}

void PrintCsv(const ImportedWorkout& w) {
  std::string header = "Index";
  for (const char* name : kCsvColumns) {
    header += ',';
    header += name;
  }
  header += '\n';
  std::fputs(header.c_str(), stdout);
  std::size_t index = 0;
  for (const ExerciseDataRecord& d : w.Samples) {
    std::string row = std::to_string(index++);
    for (const char* name : kCsvColumns) {
      row += ',';
      row += FieldCsv(d, kSampleFields[SampleFieldIndex(name)]);
    }
    row += '\n';
    std::fputs(row.c_str(), stdout);
  }
}

std::string Fixed(double v, int decimals) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : Number(v);
}

void PrintText(const ImportedWorkout& w) {
  const LogSummaryRecord& s = w.Summary;
  std::printf("Start:            %s\n", CalendarText(s.StartTime).c_str());
  std::printf("End:              %s\n", CalendarText(s.EndTime).c_str());
  std::printf("Duration:         %d s\n", static_cast<int>(s.Duration));
  std::printf("Sport type:       %d\n", static_cast<int>(s.SportType));
  std::printf("Distance:         %s km\n", Fixed(s.Distance, 3).c_str());
  std::printf("Speed:            max %s, avg %s km/h\n", Fixed(s.MaxSpeed / 10.0, 1).c_str(),
              Fixed(s.AvgSpeed / 10.0, 1).c_str());
  std::printf("Heart rate:       max %d, avg %d\n", static_cast<int>(s.MaxHeartRate),
              static_cast<int>(s.AvgHeartRate));
  std::printf("Power:            max %d, avg %d W, normalized %d W\n", static_cast<int>(w.SummaryMaxPower),
              static_cast<int>(w.SummaryAvgPower), static_cast<int>(s.NormalizedPower));
  std::printf("Altitude:         max %s, min %s m; ascent %d, descent %d m\n", Fixed(s.MaxAltitude, 1).c_str(),
              Fixed(s.MinAltitude, 1).c_str(), static_cast<int>(s.Ascent), static_cast<int>(s.Descent));
  std::printf("Calories:         %d kcal\n", static_cast<int>(s.Calories));
  std::printf("Training stress:  %s\n", Number(s.TrainingStressScore).c_str());
  std::printf("Sample interval:  %d s\n", static_cast<int>(s.SampleInterval));
  if (!w.Comment.empty()) {
    std::string comment = w.Comment;
    for (std::size_t at = 0; (at = comment.find("\r\n", at)) != std::string::npos;) comment.replace(at, 2, " / ");
    std::printf("Comment:          %s\n", comment.c_str());
  }
  std::printf("Laps:             %d\n", static_cast<int>(w.Laps.size()));
  if (!w.Laps.empty()) {
    std::printf("  %3s %9s %9s %9s %9s %7s %7s %7s %7s %7s %7s %6s %6s\n", "lap", "end s", "time s", "km",
                "total km", "hr max", "hr avg", "km/h", "cad avg", "pwr avg", "pwr max", "asc m", "desc m");
    for (std::size_t j = 0; j < w.Laps.size(); ++j) {
      const LapDataRecord& l = w.Laps[j];
      std::printf("  %3d %9s %9s %9s %9s %7d %7d %7s %7d %7s %7s %6s %6s\n", static_cast<int>(j + 1),
                  Fixed(l.EndOffset, 1).c_str(), Fixed(l.Duration, 1).c_str(), Fixed(l.Distance, 3).c_str(),
                  Fixed(l.TotalDistance, 3).c_str(), static_cast<int>(l.MaxHeartRate),
                  static_cast<int>(l.AvgHeartRate), Fixed(l.AvgSpeed, 1).c_str(),
                  static_cast<int>(l.AvgCadence), Fixed(l.AvgPower, 0).c_str(), Fixed(l.MaxPower, 0).c_str(),
                  Fixed(l.Ascent, 0).c_str(), Fixed(l.Descent, 0).c_str());
    }
  }
  std::printf("Samples:          %d\n", static_cast<int>(w.Samples.size()));
}

constexpr const char* kUsage = "usage: tessaly import FILE.pwx [--format text|json|csv]\n";

}  // namespace

int RunImport(const Plugin& plugin, int argc, char** argv) {
  std::string path;
  std::string format = "text";
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--format" && i + 1 < argc) {
      format = argv[++i];
    } else if (arg.rfind("--format=", 0) == 0) {
      format = arg.substr(9);
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (path.empty() && !(arg.size() > 1 && arg[0] == '-')) {
      path = arg;
    } else {
      std::fprintf(stderr, "tessaly import: unexpected argument '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (path.empty() || (format != "text" && format != "json" && format != "csv")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fclose(f);
  } else {
    std::fprintf(stderr, "tessaly import: cannot open '%s'\n", path.c_str());
    return 1;
  }

  std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (extension != ".pwx") {
    std::fprintf(stderr, "tessaly import: '%s' is not a .pwx file\n", path.c_str());
    return 1;
  }

  const PluginApi& api = plugin.api();
  ImportedWorkout workout;
  if (Fetch(api, path, workout) <= 0) {
    std::fprintf(stderr,
                 "tessaly import: no samples imported from '%s': not well-formed XML, a document type "
                 "declaration or too deep nesting, an impossible start time, or no samples at all\n",
                 path.c_str());
    return 1;
  }
  if (format == "json") {
    PrintJson(workout);
  } else if (format == "csv") {
    PrintCsv(workout);
  } else {
    PrintText(workout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace tessaly::tool
