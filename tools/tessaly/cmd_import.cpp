// tessaly import: imports PWX files the way the training log does (AnalyseExercise, then the
// summary, every sample, every lap and the comment) and prints each as text, JSON or CSV, to the
// console or, for a batch, one file per input.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch.h"
#include "commands.h"
#include "fetch_workout.h"
#include "output_file.h"
#include "printed_numbers.h"
#include "record_fields.h"
#include "workout_figures.h"
#include "platform/codepage.h"

namespace tessaly::tool {
namespace {

using Json = nlohmann::ordered_json;

// A text field as UTF-8: host text in a fixed array, zero-terminated unless it fills the array.
template <std::size_t Size, class Record>
std::string TextField(const Record& record, std::size_t offset) {
  const auto text = LoadField<std::array<char, Size>>(record, offset);
  return platform::HostTextToUtf8(std::string(text.begin(), std::find(text.begin(), text.end(), '\0')));
}

// A JSON string; text that is not valid UTF-8 is replaced rather than failing the whole output.
std::string JsonText(const std::string& utf8) {
  return Json(utf8).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// One field of a record as JSON text: a number in the shortest form of its own type, a text array
// as a UTF-8 string.
template <class Record>
std::string FieldJson(const Record& record, const RecordField<Record>& field) {
  return std::visit(
      [&](auto type) -> std::string {
        using T = typename decltype(type)::type;
        if constexpr (std::is_array_v<T>) {
          return JsonText(TextField<sizeof(T)>(record, field.Offset));
        } else if constexpr (std::is_floating_point_v<T>) {
          return JsonNumberText(LoadField<T>(record, field.Offset));
        } else {
          return std::to_string(+LoadField<T>(record, field.Offset));
        }
      },
      field.Type);
}

using Members = std::vector<std::pair<std::string, std::string>>;  // name, JSON text

template <class Record, std::size_t N>
Members RecordMembers(const RecordField<Record> (&fields)[N], const Record& record) {
  Members members;
  members.reserve(N + 3);
  for (const RecordField<Record>& field : fields) members.emplace_back(field.Name, FieldJson(record, field));
  return members;
}

// An object laid out one member a line, indented one space a level.
void AppendObject(std::string& out, const Members& members, std::size_t depth) {
  out += "{\n";
  for (std::size_t k = 0; k < members.size(); ++k) {
    out.append(depth + 1, ' ');
    out += '"';
    out += members[k].first;
    out += "\": ";
    out += members[k].second;
    out += k + 1 < members.size() ? ",\n" : "\n";
  }
  out.append(depth, ' ');
  out += '}';
}

template <class Record, std::size_t N>
bool WriteArray(std::FILE* out, const char* name, const RecordField<Record> (&fields)[N],
                const std::vector<Record>& records, bool last) {
  std::string text = std::string(" \"") + name + "\": [";
  if (records.empty()) {
    text += last ? "]\n" : "],\n";
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
  }
  text += '\n';
  for (std::size_t k = 0; k < records.size(); ++k) {
    text += "  ";
    AppendObject(text, RecordMembers(fields, records[k]), 2);
    text += k + 1 < records.size() ? ",\n" : "\n";
    if (text.size() > 64 * 1024) {  // a day of samples is written in pieces
      if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) return false;
      text.clear();
    }
  }
  text += last ? " ]\n" : " ],\n";
  return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

bool WriteJson(const HostWorkout& w, std::FILE* out) {
  Members summary = {{"Sport", JsonText(w.Sport)}};
  Members fields = RecordMembers(kSummaryFields, w.Summary);
  summary.insert(summary.end(), fields.begin(), fields.end());
  summary.emplace_back("SummaryAvgPower", std::to_string(w.SummaryAvgPower));
  summary.emplace_back("SummaryMaxPower", std::to_string(w.SummaryMaxPower));
  summary.emplace_back("Start", JsonText(DateTimeText(w.Summary.StartTime)));
  std::string head = "{\n \"format\": \"tessaly-workout\",\n \"version\": 2,\n \"athlete\": " +
                     JsonText(platform::HostTextToUtf8(w.Athlete)) + ",\n \"comment\": " + JsonText(platform::HostTextToUtf8(w.Comment)) +
                     ",\n \"summary\": ";
  AppendObject(head, summary, 1);
  head += ",\n";
  return std::fwrite(head.data(), 1, head.size(), out) == head.size() &&
         WriteArray(out, "samples", kSampleFields, w.Samples, false) &&
         WriteArray(out, "laps", kLapFields, w.Laps, true) && std::fputs("}\n", out) >= 0;
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

// Where a name stands in the sample table.
constexpr std::size_t SampleFieldIndex(std::string_view name) {
  std::size_t i = 0;
  while (name != kSampleFields[i].Name) ++i;  // past the end does not compile
  return i;
}

// The CSV's columns, as places in the sample table: the time first, the free text last, every
// other field in the table's order between them.
constexpr auto kCsvColumns = [] {
  constexpr std::size_t kTime = SampleFieldIndex("TimeOffset"), kText = SampleFieldIndex("SampleText");
  std::array<std::size_t, std::size(kSampleFields)> columns{kTime};
  std::size_t n = 1;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i != kTime && i != kText) columns[n++] = i;
  }
  columns[n] = kText;
  return columns;
}();

// The channels a device measures at a float's precision, which the CSV prints as such.
constexpr std::string_view kFloatChannels[] = {"Altitude", "Temperature", "TorqueEffectivenessLeft",
                                               "TorqueEffectivenessRight", "PedalSmoothnessLeft", "PedalSmoothnessRight"};

// A number in the shortest form of its own type (a float channel's as the float it is), a text
// quoted where it must be.
template <class Record>
std::string FieldCsv(const Record& record, const RecordField<Record>& field) {
  return std::visit(
      [&](auto type) -> std::string {
        using T = typename decltype(type)::type;
        if constexpr (std::is_array_v<T>) {
          return CsvText(TextField<sizeof(T)>(record, field.Offset));
        } else if constexpr (std::is_floating_point_v<T>) {
          const T value = LoadField<T>(record, field.Offset);
          const bool measured = std::find(std::begin(kFloatChannels), std::end(kFloatChannels), field.Name) !=
                                std::end(kFloatChannels);
          return measured ? FloatPrecisionText(value) : ShortestText(value);
        } else {
          return std::to_string(+LoadField<T>(record, field.Offset));
        }
      },
      field.Type);
}

// Whether a field is 0 (or empty) in every record: a channel the workout does not have, whose
// column the CSV leaves blank rather than filling it with zeros.
template <class Record>
bool ZeroInEvery(const std::vector<Record>& records, const RecordField<Record>& field) {
  return std::all_of(records.begin(), records.end(), [&](const Record& r) {
    return std::visit(
        [&](auto type) {
          using T = typename decltype(type)::type;
          if constexpr (std::is_array_v<T>) {
            return LoadField<char>(r, field.Offset) == '\0';
          } else {
            return LoadField<T>(r, field.Offset) == T{0};
          }
        },
        field.Type);
  });
}

// The unit a column's header names, so that a spreadsheet reader need not guess; "" for none.
struct ColumnUnit {
  std::string_view Name;
  const char* Unit;
};
constexpr ColumnUnit kColumnUnits[] = {
    {"TimeOffset", "s"}, {"HeartRate", "bpm"}, {"Distance", "km"}, {"Speed", "km/h"}, {"Altitude", "m"},
    {"Temperature", "degC"}, {"Power", "W"}, {"Cadence", "rpm"}, {"Latitude", "deg"}, {"Longitude", "deg"},
    {"TorqueEffectivenessLeft", "%"}, {"TorqueEffectivenessRight", "%"}, {"PedalSmoothnessLeft", "%"},
    {"PedalSmoothnessRight", "%"},
    // Laps
    {"EndTimeOfDay", "s since midnight"}, {"Duration", "s"}, {"EndOffset", "s"}, {"TotalDistance", "km"},
    {"MaxHeartRate", "bpm"}, {"AvgHeartRate", "bpm"}, {"MaxSpeed", "km/h"}, {"AvgSpeed", "km/h"},
    {"MaxCadence", "rpm"}, {"AvgCadence", "rpm"}, {"MaxPower", "W"}, {"AvgPower", "W"}, {"Ascent", "m"},
    {"Descent", "m"}, {"Calories", "kcal"}};

// A cadence is counted in the sport's own unit.
std::string CsvHeading(std::string_view name, const std::string& sport) {
  for (const ColumnUnit& c : kColumnUnits) {
    const std::string_view unit = c.Unit;
    if (c.Name == name) return std::string(name) + " (" + std::string(unit == "rpm" ? CadenceUnit(sport) : unit) + ")";
  }
  return std::string(name);
}

// The columns of the times stay, even at 0; any other column of zeros is left blank.
bool BlankColumn(const char* name) {
  for (const std::string_view kept : {"TimeOffset", "EndTimeOfDay", "Duration", "EndOffset", "LapKind"}) {
    if (kept == name) return false;
  }
  return true;
}

bool WriteCsv(const HostWorkout& w, std::FILE* out) {
  std::string header = "Index";
  std::array<bool, std::size(kSampleFields)> blank{};
  for (const std::size_t column : kCsvColumns) {
    header += "," + CsvHeading(kSampleFields[column].Name, w.Sport);
    blank[column] = BlankColumn(kSampleFields[column].Name) && ZeroInEvery(w.Samples, kSampleFields[column]);
  }
  header += '\n';
  if (std::fputs(header.c_str(), out) < 0) return false;
  std::size_t index = 0;
  for (const ExerciseDataRecord& d : w.Samples) {
    std::string row = std::to_string(index++);
    for (const std::size_t column : kCsvColumns) {
      row += ',';
      if (!blank[column]) row += FieldCsv(d, kSampleFields[column]);
    }
    row += '\n';
    if (std::fputs(row.c_str(), out) < 0) return false;
  }
  return true;
}

// One row per lap, numbered from 1 as the text and the picture number them.
bool WriteLapCsv(const HostWorkout& w, std::FILE* out) {
  std::string text = "Lap";
  std::array<bool, std::size(kLapFields)> blank{};
  for (std::size_t k = 0; k < std::size(kLapFields); ++k) {
    text += "," + CsvHeading(kLapFields[k].Name, w.Sport);
    blank[k] = BlankColumn(kLapFields[k].Name) && ZeroInEvery(w.Laps, kLapFields[k]);
  }
  text += '\n';
  for (std::size_t j = 0; j < w.Laps.size(); ++j) {
    text += std::to_string(j + 1);
    for (std::size_t k = 0; k < std::size(kLapFields); ++k) text += "," + (blank[k] ? "" : FieldCsv(w.Laps[j], kLapFields[k]));
    text += '\n';
  }
  return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

constexpr const char* kNotInFile = "not in the file";

// "max A, avg B UNIT" where either may be missing from the file.
std::string MaxAvgText(const std::string& max, const std::string& avg, const char* unit) {
  if (max.empty() && avg.empty()) return kNotInFile;
  return "max " + (max.empty() ? std::string(kNotInFile) : max) + ", avg " + (avg.empty() ? std::string(kNotInFile) : avg) +
         " " + unit;
}

// A figure of the file's summary: the plug-in hands 0 for every figure the file does not give.
std::string Given(double v, const std::string& text) { return v != 0 && std::isfinite(v) ? text : ""; }

std::string SpeedPair(double max, double avg, SpeedReading reading) {
  if (reading == SpeedReading::KmPerHour) {
    return MaxAvgText(Given(max, SpeedText(max, reading)), Given(avg, SpeedText(avg, reading)), "km/h");
  }
  const std::string best = Given(max, SpeedText(max, reading)), average = Given(avg, SpeedText(avg, reading));
  if (best.empty() && average.empty()) return kNotInFile;
  return "best " + (best.empty() ? std::string(kNotInFile) : best) + ", avg " +
         (average.empty() ? std::string(kNotInFile) : average) + " " + SpeedUnit(reading);
}

void Line(std::FILE* out, const char* label, const std::string& text) {
  std::fprintf(out, "  %-18s%s\n", label, text.c_str());
}

// Where the file's summary and the samples disagree by more than rounding explains, in words: a
// duration by more than a sample interval, a distance by more than 1% (and 10 m), an ascent by more
// than 5% (and 2 m).
std::vector<std::pair<const char*, std::string>> Disagreements(const HostWorkout& w, const SampleFigures& f) {
  const LogSummaryRecord& s = w.Summary;
  std::vector<std::pair<const char*, std::string>> lines;
  const auto apart = [](double a, double b, double share, double least) {
    return std::fabs(a - b) > std::max(least, share * std::max(std::fabs(a), std::fabs(b)));
  };
  const auto says = [](const std::string& summary, const std::string& samples) {
    return summary + " in the summary, " + samples + " from the samples";
  };
  if (s.Duration != 0 && f.Count > 1 && apart(s.Duration, f.Span, 0, std::max(1.0, static_cast<double>(s.SampleInterval)))) {
    lines.emplace_back("Duration:", says(ClockText(s.Duration), ClockText(f.Span)));
  }
  const double distance = s.Distance;
  if (distance != 0 && f.LastDistance > 0 && apart(distance, f.LastDistance, 0.01, 0.01)) {
    lines.emplace_back("Distance:", says(Fixed(distance, 3) + " km", Fixed(f.LastDistance, 3) + " km"));
  }
  if (s.Ascent != 0 && f.AltitudeMin && apart(s.Ascent, static_cast<double>(f.Ascent), 0.05, 2)) {
    lines.emplace_back("Ascent:", says(std::to_string(s.Ascent) + " m", std::to_string(f.Ascent) + " m"));
  }
  return lines;
}

// The summary as the host keeps it, each figure marked "not in the file" where the file has none,
// then what the samples show, and where the two disagree, as they do when a device summed up
// differently or not at all. A channel the workout does not have is blank in the lap table.
bool WriteText(const HostWorkout& w, std::FILE* out) {
  const LogSummaryRecord& s = w.Summary;
  const SpeedReading reading = SpeedReadingOf(w.Sport);
  const SampleFigures f = FiguresOfSamples(w);
  std::fprintf(out, "Sport:              %s\n", w.Sport.c_str());
  if (w.StartInFile) {
    std::fprintf(out, "Start:              %s\n", DateTimeText(s.StartTime).c_str());
  } else {
    std::fprintf(out, "Start:              not in the file (the import dates it %s)\n", DateTimeText(s.StartTime).c_str());
  }
  std::fprintf(out, "Sample interval:    %d s\n", static_cast<int>(s.SampleInterval));
  if (!w.Comment.empty()) {
    std::string comment = platform::HostTextToUtf8(w.Comment);
    // One line, whichever line ends the device wrote.
    for (std::size_t at = 0; (at = comment.find_first_of("\r\n", at)) != std::string::npos;) {
      comment.replace(at, comment.compare(at, 2, "\r\n") == 0 ? 2 : 1, " / ");
    }
    std::fprintf(out, "Comment:            %s\n", comment.c_str());
  }

  std::fputs("From the file's summary:\n", out);
  const bool hasDuration = s.Duration != 0;
  Line(out, "Duration:", hasDuration ? ClockText(s.Duration) : kNotInFile);
  Line(out, "End:", hasDuration ? DateTimeText(s.EndTime) : kNotInFile);
  // Without a distance of its own, or with a smaller one, the summary takes the last sample's.
  const bool distanceFromSamples = !w.Samples.empty() && s.Distance == f.LastDistance;
  Line(out, "Distance:", s.Distance == 0 ? std::string(kNotInFile)
                         : Fixed(s.Distance, 3) + " km" + (distanceFromSamples ? " (the last sample's)" : ""));
  Line(out, reading == SpeedReading::KmPerHour ? "Speed:" : "Pace:",
       SpeedPair(s.MaxSpeed / 10.0, s.AvgSpeed / 10.0, reading));
  Line(out, "Heart rate:", MaxAvgText(Given(s.MaxHeartRate, std::to_string(+s.MaxHeartRate)),
                                      Given(s.AvgHeartRate, std::to_string(+s.AvgHeartRate)), "bpm"));
  Line(out, "Power:", MaxAvgText(Given(w.SummaryMaxPower, std::to_string(w.SummaryMaxPower)),
                                 Given(w.SummaryAvgPower, std::to_string(w.SummaryAvgPower)), "W"));
  Line(out, "Normalized power:", s.NormalizedPower != 0 ? std::to_string(+s.NormalizedPower) + " W" : kNotInFile);
  Line(out, "Altitude:", s.MaxAltitude == 0 && s.MinAltitude == 0
                             ? std::string(kNotInFile)
                             : Fixed(s.MinAltitude, 1) + " to " + Fixed(s.MaxAltitude, 1) + " m");
  Line(out, "Ascent:", s.Ascent != 0 ? std::to_string(s.Ascent) + " m" : kNotInFile);
  Line(out, "Descent:", s.Descent != 0 ? std::to_string(s.Descent) + " m" : kNotInFile);
  Line(out, "Calories:", s.Calories != 0 ? std::to_string(+s.Calories) + " kcal" : kNotInFile);
  Line(out, "Training stress:", s.TrainingStressScore != 0 ? ShortestText(s.TrainingStressScore) : kNotInFile);

  std::fprintf(out, "From the samples (%zu over %s):\n", f.Count, ClockText(f.Span).c_str());
  const auto pair = [](const std::optional<MaxAvg>& v, int decimals, const char* unit) {
    return v ? "max " + Fixed(v->Max, decimals) + ", avg " + Fixed(v->Avg, decimals) + " " + unit : "no readings";
  };
  Line(out, "Heart rate:", pair(f.HeartRate, 0, "bpm"));
  const std::optional<double> average = AverageSpeed(w, f);
  if (reading == SpeedReading::KmPerHour) {
    Line(out, "Speed:", f.Speed ? "max " + Fixed(f.Speed->Max, 1) + ", avg " + Fixed(*average, 1) + " km/h" : "no readings");
  } else {
    // A swim's average leaves its rests out, and says so.
    const bool moving = reading == SpeedReading::PacePer100m && f.Moving;
    Line(out, "Pace:", f.Speed ? "best " + SpeedText(f.Speed->Max, reading) + ", avg " + SpeedText(*average, reading) +
                                     " " + SpeedUnit(reading) +
                                     (moving ? " over " + ClockText(f.Moving->Seconds) + " of swimming" : "")
                               : "no readings");
  }
  Line(out, "Power:", pair(f.Power, 0, "W"));
  Line(out, "Cadence:", pair(f.Cadence, 0, CadenceUnit(w.Sport)));
  Line(out, "Altitude:", f.AltitudeMin ? Fixed(*f.AltitudeMin, 1) + " to " + Fixed(*f.AltitudeMax, 1) + " m, ascent " +
                                             std::to_string(f.Ascent) + " m, descent " + std::to_string(f.Descent) + " m"
                                       : "no readings");
  if (const auto disagreements = Disagreements(w, f); !disagreements.empty()) {
    std::fputs("The file's summary and the samples disagree:\n", out);
    for (const auto& [label, text] : disagreements) Line(out, label, text);
  }

  std::fprintf(out, "Laps:               %d\n", static_cast<int>(w.Laps.size()));
  if (!w.Laps.empty()) {
    const char* speedHead = reading == SpeedReading::KmPerHour ? "km/h" : SpeedUnit(reading);
    std::fprintf(out, "  %3s %9s %9s %9s %9s %7s %7s %7s %7s %7s %7s %6s %6s\n", "lap", "end", "time", "km",
                "total km", "hr max", "hr avg", speedHead, "cad avg", "pwr avg", "pwr max", "asc m", "desc m");
    // A column the laps do not have stays blank; within one, a lap without a heart rate or cadence
    // reads "-".
    const LapColumns has = LapColumnsOf(w.Laps);
    const auto reading0 = [](bool column, int v) { return !column ? std::string() : v != 0 ? std::to_string(v) : "-"; };
    const auto figure = [](bool column, double v, int decimals) { return column ? Fixed(v, decimals) : std::string(); };
    for (std::size_t j = 0; j < w.Laps.size(); ++j) {
      const LapDataRecord& l = w.Laps[j];
      char row[256];
      std::snprintf(row, sizeof row, "  %3d %9s %9s %9s %9s %7s %7s %7s %7s %7s %7s %6s %6s", static_cast<int>(j + 1),
                  ClockText(l.EndOffset).c_str(), ClockText(l.Duration).c_str(),
                  figure(has.Distance, l.Distance, 3).c_str(), figure(has.Distance, l.TotalDistance, 3).c_str(),
                  reading0(has.HeartRate, l.MaxHeartRate).c_str(), reading0(has.HeartRate, l.AvgHeartRate).c_str(),
                  has.Speed || has.Distance ? SpeedText(l.AvgSpeed, reading).c_str() : "",
                  reading0(has.Cadence, l.AvgCadence).c_str(), figure(has.Power, l.AvgPower, 0).c_str(),
                  figure(has.Power, l.MaxPower, 0).c_str(), figure(has.Climb, l.Ascent, 0).c_str(),
                  figure(has.Climb, l.Descent, 0).c_str());
      const std::string_view text = row;
      std::fprintf(out, "%.*s\n", static_cast<int>(text.find_last_not_of(' ') + 1), row);  // no blanks at the end
    }
  }
  return std::ferror(out) == 0;
}

bool WriteWorkout(const HostWorkout& w, const std::string& format, bool laps, std::FILE* out) {
  if (format == "json") return WriteJson(w, out);
  if (format == "csv") return laps ? WriteLapCsv(w, out) : WriteCsv(w, out);
  return WriteText(w, out);
}

const char* const kUsage = UsageOf("import");

}  // namespace

int RunImport(const Plugin& plugin, const Console& console, const Arguments& args) {
  const std::vector<std::string>& files = args.Operands;
  const std::string format = args.Value("--format", "text");
  const std::string outDir = args.Value("--out-dir");
  const bool batch = args.Has("--out-dir");
  const bool laps = args.Has("--laps");
  if (!IsChoiceOf(console, "import", "--format", format)) return 2;
  if (laps && format != "csv") return NotUnderstood(console, "import", "--laps goes with --format csv");
  if (files.empty() || (batch && outDir.empty())) {
    std::fputs(kUsage, console.Err);
    return 2;
  }
  if (!batch && files.size() > 1) return NotUnderstood(console, "import", "several files need --out-dir DIR");

  const PluginApi& api = plugin.api();
  if (!batch) {
    HostWorkout workout;
    std::string error;
    if (!FetchWorkout(api, files[0], workout, error)) {
      std::fprintf(console.Err, "%s\n", error.c_str());
      return 1;
    }
    if (workout.CommentCut) std::fprintf(console.Err, "tessaly: the comment is cut to %u characters\n", 0xFFFFu);
    return WriteWorkout(workout, format, laps, console.Out) ? 0 : OutputFailed(console, errno);
  }

  const std::string extension = format == "text" ? ".txt" : laps ? ".laps.csv" : "." + format;
  return RunBatch(console, outDir, files, extension,
                  [&](const std::string& input, const std::string& output, std::string& error) {
                    HostWorkout workout;
                    if (!FetchWorkout(api, input, workout, error)) return false;
                    const auto write = [&](std::FILE* out) { return WriteWorkout(workout, format, laps, out); };
                    if (WriteWholeFile(output, write, error)) return true;
                    error = input + ": " + error;
                    return false;
                  });
}

}  // namespace tessaly::tool
