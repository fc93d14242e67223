// tessaly export and tessaly convert: a workout pushed through the plug-in's export calls in the
// order the training-log application uses, from JSON or from an import of a PWX file (one file,
// or a batch into a folder).
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch.h"
#include "commands.h"
#include "fetch_workout.h"
#include "output_file.h"
#include "record_fields.h"
#include "unpacked_file.h"
#include "workout_figures.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "util/ascii.h"  // LowerAscii
#include "util/date_time.h"
#include "util/sport_types.h"

namespace tessaly::tool {
namespace {

using nlohmann::json;

// Something wrong with the input; the message names the place.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Place(const std::string& where, const char* key) { return where.empty() ? key : where + "." + key; }

const json* Find(const json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

// A whole number that fits T; a missing field reads 0.
template <class T>
T ReadInteger(const json& object, const char* key, const std::string& where) {
  const json* v = Find(object, key);
  if (v == nullptr) return 0;
  const auto fail = [&](const std::string& why) -> T {
    throw InputError(Place(where, key) + ": " + why);
  };
  const std::string range = std::to_string(+std::numeric_limits<T>::min()) + ".." +
                            std::to_string(+std::numeric_limits<T>::max());
  if (v->is_number_unsigned()) {
    const auto u = v->get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(std::numeric_limits<T>::max())) return fail(v->dump() + " is outside " + range);
    return static_cast<T>(u);
  }
  if (v->is_number_integer()) {
    const auto s = v->get<std::int64_t>();
    if (s < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        s > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
      return fail(v->dump() + " is outside " + range);
    return static_cast<T>(s);
  }
  if (v->is_number_float()) {
    const double d = v->get<double>();
    if (!std::isfinite(d) || d != std::trunc(d)) return fail(v->dump() + " is not a whole number");
    if (d < static_cast<double>(std::numeric_limits<T>::min()) || d > static_cast<double>(std::numeric_limits<T>::max()))
      return fail(v->dump() + " is outside " + range);
    return static_cast<T>(d);
  }
  return fail("a whole number is needed, not " + std::string(v->type_name()));
}

double ReadReal(const json& object, const char* key, const std::string& where) {
  const json* v = Find(object, key);
  if (v == nullptr) return 0.0;
  if (!v->is_number()) throw InputError(Place(where, key) + ": a number is needed, not " + v->type_name());
  const double d = v->get<double>();
  if (!std::isfinite(d)) throw InputError(Place(where, key) + ": " + v->dump() + " is not a finite number");
  return d;
}

// UTF-8 in the JSON, host text for the plug-in. The plug-in takes zero-terminated texts, so a zero
// character inside would cut the text short without a word.
std::string ReadText(const json& object, const char* key, const std::string& where) {
  const json* v = Find(object, key);
  if (v == nullptr) return {};
  if (!v->is_string()) throw InputError(Place(where, key) + ": a text is needed, not " + v->type_name());
  const std::string& utf8 = v->get_ref<const std::string&>();
  if (utf8.find('\0') != std::string::npos) throw InputError(Place(where, key) + ": the text holds a zero character");
  return platform::Utf8ToHostText(utf8);
}

const json& ReadObject(const json& value, const std::string& where) {
  if (!value.is_object()) throw InputError(where + ": an object is needed, not " + value.type_name());
  return value;
}

// One field of a record from its object, by the field's type; a missing field reads 0 or an
// empty text.
template <class Record>
void ReadField(const json& o, const std::string& w, Record& record, const RecordField<Record>& field) {
  const char* key = field.Name;
  std::visit(
      [&](auto type) {
        using T = typename decltype(type)::type;
        if constexpr (std::is_array_v<T>) {
          const std::string text = ReadText(o, key, w);
          if (text.size() > sizeof(T))
            throw InputError(Place(w, key) + ": longer than the record's " + std::to_string(sizeof(T)) + " bytes");
          std::array<char, sizeof(T)> bytes{};  // no terminator when the text fills the array
          std::memcpy(bytes.data(), text.data(), text.size());
          StoreField(record, field.Offset, bytes);
        } else if constexpr (std::is_floating_point_v<T>) {
          StoreField(record, field.Offset, ReadReal(o, key, w));
        } else {
          StoreField(record, field.Offset, ReadInteger<T>(o, key, w));
        }
      },
      field.Type);
}

// Whether two keys differ only in the case of ASCII letters.
bool SameButForCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (LowerAscii(a[k]) != LowerAscii(b[k])) return false;
  }
  return true;
}

// A key the program does not read is refused rather than passed over: a misspelt field would
// otherwise export as 0 without a word.
void RefuseUnknownKeys(const json& o, const std::string& w, const std::vector<std::string_view>& known) {
  for (const auto& item : o.items()) {
    const std::string& key = item.key();
    std::string_view nearest;
    bool found = false;
    for (const std::string_view name : known) {
      if (key == name) found = true;
      else if (SameButForCase(key, name)) nearest = name;
    }
    if (found) continue;
    throw InputError(Place(w, key.c_str()) + ": not a key this program reads" +
                     (nearest.empty() ? std::string() : "; did you mean " + std::string(nearest) + "?"));
  }
}

template <class Record, std::size_t N>
Record ReadRecord(const RecordField<Record> (&fields)[N], const json& o, const std::string& w,
                  std::initializer_list<std::string_view> more = {}) {
  std::vector<std::string_view> known(more);
  for (const RecordField<Record>& field : fields) known.push_back(field.Name);
  RefuseUnknownKeys(o, w, known);
  Record record{};
  for (const RecordField<Record>& field : fields) ReadField(o, w, record, field);
  return record;
}

// The names the export writes, in the order of its codes.
std::string SportNames() {
  std::string names;
  for (unsigned code = 0; code <= 0xFF; ++code) {
    const std::string quoted = "\"" + std::string(SportTextOfExportCode(static_cast<std::uint8_t>(code))) + "\"";
    if (names.find(quoted) == std::string::npos) names += (names.empty() ? "" : ", ") + quoted;
  }
  return names;
}

// The DateTime of a start given as text, read as the plug-in reads a PWX time; nullopt for a text
// it refuses and for a time in UTC or at an offset (the log keeps local time).
std::optional<double> StartValue(const std::string& text) {
  bool timeIsUtc = false;
  std::int32_t utcOffsetMinutes = 0;
  try {
    const DateTime value = ParsePwxTime(text, timeIsUtc, utcOffsetMinutes);
    if (!timeIsUtc) return value;
  } catch (const DateTimeError&) {
  }
  return std::nullopt;
}

// The summary: its record, the sport by name and the start, which "Start" may give as text. A
// workout without a start is refused, unless --start gives one: the plug-in would date it the
// moment it writes it. "SummaryAvgPower" and "SummaryMaxPower" are the import's to show; the export
// has no call for them.
void ReadSummary(const json& o, HostWorkout& w, bool startGiven) {
  const std::string where = "summary";
  w.Summary = ReadRecord(kSummaryFields, o, where, {"Sport", "Start", "SummaryAvgPower", "SummaryMaxPower"});
  // No sport named: the export's name for a sport it has no other name for.
  const json* named = Find(o, "Sport");
  const std::optional<std::uint8_t> code = ExportCodeOfSportText(
      named != nullptr ? std::string_view(ReadText(o, "Sport", where)) : SportTextOfExportCode(0xFF));
  if (!code) {
    throw InputError("summary.Sport: " + named->dump() + " is not a sport the plug-in writes: " + SportNames());
  }
  w.Sport = SportTextOfExportCode(*code);
  if (const json* start = Find(o, "Start")) {
    const std::optional<double> value = StartValue(ReadText(o, "Start", where));
    if (!value) {
      throw InputError("summary.Start: " + start->dump() +
                       " is not a possible local date and time in the form YYYY-MM-DDThh:mm:ss");
    }
    if (Find(o, "StartTime") == nullptr) {
      w.Summary.StartTime = *value;
    } else if (DateTimeText(w.Summary.StartTime) != DateTimeText(*value)) {
      throw InputError("summary.Start " + start->dump() + " and summary.StartTime " + Find(o, "StartTime")->dump() +
                       " (" + DateTimeText(w.Summary.StartTime) + ") disagree; correct one, or leave one out");
    }
  }
  if (w.Summary.StartTime == 0.0 && !startGiven) {
    throw InputError("summary: no StartTime or Start; the plug-in would date the workout when it writes it: give "
                     "the start with --start YYYY-MM-DDThh:mm:ss");
  }
}

const json* ReadArray(const json& root, const char* key) {
  const json* v = Find(root, key);
  if (v != nullptr && !v->is_array()) throw InputError(std::string(key) + ": a list is needed, not " + v->type_name());
  return v;
}

// The workout JSON of the file at path, or of standard input for "-".
HostWorkout ReadWorkoutJson(const std::string& path, bool startGiven) {
  std::string source = path, error;
  if (path == kStandardStream && !StandardInputPath(source, error)) throw InputError("cannot read standard input: " + error);
  platform::FileReader in(source.c_str());
  std::string bytes;
  char buffer[64 * 1024];
  for (std::size_t got; (got = in.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
  if (in.Error() != 0) throw InputError("cannot read the file");
  json root;
  try {
    root = json::parse(bytes);
  } catch (const json::parse_error& e) {
    throw InputError(std::string("not valid JSON: ") + e.what());
  }
  ReadObject(root, "the document");
  if (const json* format = Find(root, "format"); format != nullptr && *format != "tessaly-workout")
    throw InputError("format: " + format->dump() + " is not \"tessaly-workout\"");
  if (const json* version = Find(root, "version"); version != nullptr && *version != 2)
    throw InputError("version: " + version->dump() + " is not a version this program reads (2)");
  RefuseUnknownKeys(root, "", {"format", "version", "athlete", "comment", "summary", "samples", "laps"});

  HostWorkout w;
  w.Athlete = ReadText(root, "athlete", "");
  w.Comment = ReadText(root, "comment", "");
  static const json kNoSummary = json::object();
  const json* summary = Find(root, "summary");
  ReadSummary(summary != nullptr ? ReadObject(*summary, "summary") : kNoSummary, w, startGiven);
  if (const json* samples = ReadArray(root, "samples")) {
    w.Samples.reserve(samples->size());
    for (std::size_t i = 0; i < samples->size(); ++i) {
      const std::string where = "samples[" + std::to_string(i) + "]";
      w.Samples.push_back(ReadRecord(kSampleFields, ReadObject((*samples)[i], where), where));
    }
  }
  if (const json* laps = ReadArray(root, "laps")) {
    w.Laps.reserve(laps->size());
    for (std::size_t i = 0; i < laps->size(); ++i) {
      const std::string where = "laps[" + std::to_string(i) + "]";
      w.Laps.push_back(ReadRecord(kLapFields, ReadObject((*laps)[i], where), where));
    }
  }
  if (w.Samples.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw InputError("samples: more than a workout can hold");
  return w;
}

// The export calls in the host's order. False, with the reason, when the plug-in refuses a call or
// does not write the file.
bool ExportWorkout(const PluginApi& api, const HostWorkout& w, const std::string& output, std::string& error) {
  if (!MakeFolderFor(output, error)) return false;
  api.SetupExport(0, 0);
  // The export numbers sports its own way: the code of the name the workout's sport goes by.
  LogSummaryRecord summary = w.Summary;
  const std::optional<std::uint8_t> sport = ExportCodeOfSportText(w.Sport);
  summary.SportType = sport ? *sport : 0xFF;
  if (!api.SetLogSummaryEx(summary)) {
    error = "the plug-in refused the summary";
    return false;
  }
  for (std::size_t i = 0; i < w.Samples.size(); ++i) {
    if (!api.SetExerciseDatasEx(static_cast<std::int32_t>(i), w.Samples[i])) {
      error = "the plug-in refused sample " + std::to_string(i);
      return false;
    }
  }
  for (std::size_t j = 0; j < w.Laps.size(); ++j) {
    if (!api.SetLapDatasEx(static_cast<std::uint32_t>(j), w.Laps[j])) {
      error = "the plug-in refused lap " + std::to_string(j);
      return false;
    }
  }
  api.SetComment(w.Comment.c_str());
  api.SetUser(w.Athlete.c_str());
  if (api.ExportDatas(0, 0, 0, 0, 0, 0, 0, output.c_str(), 0) != 1) {
    // The plug-in leaves the system's reason as the thread's last error.
    const int reason = os::LastSystemError();
    error = "cannot write " + output + ": " +
            (reason != 0 ? os::SystemErrorText(reason) : "the plug-in did not, and the system gives no reason");
    return false;
  }
  return true;
}

// The plug-in keeps what its last import left in its stores, and the export calls only overwrite
// samples and append laps. Before a workout it imported itself is pushed back, its stores are
// emptied the one way the exports offer: an import that finds no file.
void EmptyPluginStores(const PluginApi& api, const std::string& output) {
  const std::string nowhere = output + ".tessaly-no-such-folder/none.pwx";
  api.AnalyseExercise(nowhere.c_str(), 0);
}

// Exports the workout to output, or for "-" through a file of the tool's own to standard output.
// False, with the reason, when it is not written.
bool ExportTo(const PluginApi& api, const Console& console, const HostWorkout& w, const std::string& output,
              std::string& error) {
  // Whatever an earlier call left in the plug-in's stores is no part of this workout.
  if (output != kStandardStream) {
    EmptyPluginStores(api, output);
    return ExportWorkout(api, w, output, error);
  }
  StandardOutputFile file;
  if (!file.Open(error)) {
    error = "cannot write standard output: " + error;
    return false;
  }
  EmptyPluginStores(api, file.Path());
  if (!ExportWorkout(api, w, file.Path(), error)) {
    if (const std::size_t at = error.find(file.Path()); at != std::string::npos) {
      error.replace(at, file.Path().size(), "standard output, through " + file.Path() + ",");
    }
    return false;
  }
  int writeError = 0;
  if (!file.CopyTo(console.Out, error, writeError)) {
    error = "cannot read back " + file.Path() + " for standard output: " + error;
    return false;
  }
  if (writeError != 0) OutputFailed(console, writeError);
  return true;
}

// The workout made to start at start, its end moved with it.
void StartAt(HostWorkout& w, double start) {
  if (w.Summary.EndTime != 0.0) w.Summary.EndTime += start - w.Summary.StartTime;
  w.Summary.StartTime = start;
  w.StartInFile = true;
}

// The start --start gives, when it is given: nullopt and false when it is no local date and time.
bool ReadStartOption(const Console& console, std::string_view command, const Arguments& args,
                     std::optional<double>& start) {
  if (!args.Has("--start")) return true;
  start = StartValue(args.Value("--start"));
  if (start) return true;
  NotUnderstood(console, command,
                "--start takes a possible local date and time, YYYY-MM-DDThh:mm:ss, not '" + args.Value("--start") + "'");
  return false;
}

// Imports input and exports it to output; false with the reason when either fails, or when the
// file gives no start time and start none, as the plug-in would date the workout now. A file of a
// batch, which takes no --start, is to be converted on its own.
bool Convert(const PluginApi& api, const Console& console, const std::string& input, const std::string& output,
             const std::optional<double>& start, bool inBatch, std::string& error) {
  HostWorkout workout;
  if (!FetchWorkout(api, input, workout, error)) return false;
  if (workout.CommentCut) {
    std::fprintf(console.Err, "tessaly: %s: the comment is cut to %u characters\n", input.c_str(), 0xFFFFu);
  }
  if (start) {
    StartAt(workout, *start);
  } else if (!workout.StartInFile) {
    error = input + ": the file gives no start time, and the plug-in would write the moment of this conversion as "
                    "the workout's: " + (inBatch ? "convert it on its own" : "give the start") +
            " with --start YYYY-MM-DDThh:mm:ss";
    return false;
  }
  if (!ExportTo(api, console, workout, output, error)) {
    error = input + ": " + error;
    return false;
  }
  return true;
}

// Why output is no file to write input to; empty when it is one. "-" is standard output.
std::string OutputRefusal(const std::string& input, const std::string& output) {
  if (output == kStandardStream) return {};
  std::string refusal = PwxTargetRefusal(output);
  return refusal.empty() ? InputReplacedRefusal(input, output) : refusal;
}

const char* const kConvertUsage = UsageOf("convert");

}  // namespace

int RunExport(const Plugin& plugin, const Console& console, const Arguments& args) {
  std::optional<double> start;
  if (!ReadStartOption(console, "export", args, start)) return 2;
  if (args.Operands.size() != 2) {
    std::fputs(UsageOf("export"), console.Err);
    return 2;
  }
  const std::string& input = args.Operands[0];
  const std::string& output = args.Operands[1];
  if (const std::string refusal = OutputRefusal(input, output); !refusal.empty()) {
    std::fprintf(console.Err, "tessaly: %s\n", refusal.c_str());
    return 1;
  }
  HostWorkout workout;
  try {
    workout = ReadWorkoutJson(input, start.has_value());
  } catch (const std::exception& e) {
    std::fprintf(console.Err, "tessaly: %s: %s\n", input.c_str(), e.what());
    return 1;
  }
  if (start) StartAt(workout, *start);
  std::string error;
  if (!ExportTo(plugin.api(), console, workout, output, error)) {
    std::fprintf(console.Err, "tessaly: %s: %s\n", input.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

int RunConvert(const Plugin& plugin, const Console& console, const Arguments& args) {
  const std::vector<std::string>& files = args.Operands;
  const std::string outDir = args.Value("--out-dir");
  const bool batch = args.Has("--out-dir");
  std::optional<double> start;
  if (!ReadStartOption(console, "convert", args, start)) return 2;
  if (batch && start) return NotUnderstood(console, "convert", "--start gives the start of one workout, not of a batch");
  if (batch ? (outDir.empty() || files.empty()) : files.size() != 2) {
    std::fputs(kConvertUsage, console.Err);
    return 2;
  }
  const PluginApi& api = plugin.api();
  if (!batch) {
    std::string error = OutputRefusal(files[0], files[1]);
    if (!error.empty() || !Convert(api, console, files[0], files[1], start, false, error)) {
      std::fprintf(console.Err, "%s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  return RunBatch(console, outDir, files, ".pwx",
                  [&](const std::string& input, const std::string& output, std::string& error) {
                    return Convert(api, console, input, output, std::nullopt, true, error);
                  });
}

}  // namespace tessaly::tool
