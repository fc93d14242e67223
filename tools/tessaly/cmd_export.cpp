// tessaly export and tessaly convert: a workout pushed through the plug-in's export calls in the
// order the training-log application uses, from JSON or from an import of a PWX file (one file,
// or a batch into a folder).
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "batch.h"
#include "plugin_api.h"
#include "record_fields.h"
#include "host_workout.h"

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
  return os::Utf8ToHost(utf8);
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

// Keys a record has no field for are left alone: "SummaryAvgPower", "SummaryMaxPower" and "Start"
// are the import's to show, not to send.
template <class Record, std::size_t N>
Record ReadRecord(const RecordField<Record> (&fields)[N], const json& o, const std::string& w) {
  Record record{};
  for (const RecordField<Record>& field : fields) ReadField(o, w, record, field);
  return record;
}

const json* ReadArray(const json& root, const char* key) {
  const json* v = Find(root, key);
  if (v != nullptr && !v->is_array()) throw InputError(std::string(key) + ": a list is needed, not " + v->type_name());
  return v;
}

Workout ReadWorkoutJson(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError("cannot read the file");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  json root;
  try {
    root = json::parse(bytes.str());
  } catch (const json::parse_error& e) {
    throw InputError(std::string("not valid JSON: ") + e.what());
  }
  ReadObject(root, "the document");
  if (const json* format = Find(root, "format"); format != nullptr && *format != "tessaly-workout")
    throw InputError("format: " + format->dump() + " is not \"tessaly-workout\"");
  if (const json* version = Find(root, "version"); version != nullptr && *version != 1)
    throw InputError("version: " + version->dump() + " is not a version this program reads (1)");

  Workout w;
  w.Athlete = ReadText(root, "athlete", "");
  w.Comment = ReadText(root, "comment", "");
  if (const json* summary = Find(root, "summary")) w.Summary = ReadRecord(kSummaryFields, ReadObject(*summary, "summary"), "summary");
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
bool ExportWorkout(const PluginApi& api, const Workout& w, const std::string& output, std::string& error) {
  api.SetupExport(0, 0);
  if (!api.SetLogSummaryEx(w.Summary)) {
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
    error = "the plug-in did not write the PWX file for " + output;
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

// Imports input and exports it to output; false with the reason when either fails.
bool Convert(const PluginApi& api, const Console& console, const std::string& input, const std::string& output,
             std::string& error) {
  Workout workout;
  if (!FetchWorkout(api, input, workout, error)) return false;
  if (workout.CommentCut) {
    std::fprintf(console.Err, "tessaly: %s: the comment is cut to %u characters\n", input.c_str(), 0xFFFFu);
  }
  EmptyPluginStores(api, output);
  if (!ExportWorkout(api, workout, output, error)) {
    error = input + ": " + error;
    return false;
  }
  return true;
}

const char* const kConvertUsage = UsageOf("convert");

}  // namespace

int RunExport(const Plugin& plugin, const Console& console, int argc, char** argv) {
  if (argc != 2) {
    std::fputs(UsageOf("export"), console.Err);
    return 2;
  }
  const std::string input = argv[0];
  const std::string output = argv[1];
  Workout workout;
  try {
    workout = ReadWorkoutJson(input);
  } catch (const std::exception& e) {
    std::fprintf(console.Err, "tessaly: %s: %s\n", input.c_str(), e.what());
    return 1;
  }
  // Whatever an earlier call left in the plug-in's stores is no part of this workout.
  EmptyPluginStores(plugin.api(), output);
  std::string error;
  if (!ExportWorkout(plugin.api(), workout, output, error)) {
    std::fprintf(console.Err, "tessaly: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int RunConvert(const Plugin& plugin, const Console& console, int argc, char** argv) {
  std::vector<std::string> files;
  std::string outDir;
  bool batch = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (TakeOption(argc, argv, i, "--out-dir", outDir)) {
      batch = true;
    } else if (IsOperand(arg)) {
      files.push_back(arg);
    } else {
      std::fprintf(console.Err, "tessaly convert: unexpected argument '%s'\n%s", arg.c_str(), kConvertUsage);
      return 2;
    }
  }
  if (batch ? (outDir.empty() || files.empty()) : files.size() != 2) {
    std::fputs(kConvertUsage, console.Err);
    return 2;
  }
  const PluginApi& api = plugin.api();
  if (!batch) {
    std::string error;
    if (!Convert(api, console, files[0], files[1], error)) {
      std::fprintf(console.Err, "%s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  return RunBatch(console, outDir, files, ".pwx",
                  [&](const std::string& input, const std::string& output, std::string& error) {
                    return Convert(api, console, input, output, error);
                  });
}

}  // namespace tessaly::tool
