#include "plugin/plugin_core.h"

#include <algorithm>
#include <cstring>
#include <string>

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

bool GetExerciseDatasEx(const PluginState& state, std::int32_t index, ExerciseDataRecord* out) {
  const TMyHRMDatas& s = state.Workout.Samples;
  if (out == nullptr || index < 0 || index >= s.Count()) return false;
  // Field by field: the host's record may be shorter than ours, and reserved bytes stay its own.
  out->HeartRate = s.GetHr(index);
  out->Distance = s.GetDist(index);
  out->Speed = s.GetSpd(index);
  out->Altitude = s.GetAlt(index);
  out->Temperature = s.GetTemp(index);
  out->Power = s.GetPwr(index);
  out->PowerBalance = s.GetPwrRight(index);
  out->Cadence = s.GetCad(index);
  out->Latitude = s.GetLat(index);
  out->Longitude = s.GetLon(index);
  const std::string& text = s.GetSampleText(index);
  const std::size_t n = std::min(text.size(), sizeof(out->SampleText));
  std::memset(out->SampleText, 0, sizeof(out->SampleText));
  if (n > 0) std::memcpy(out->SampleText, text.data(), n);
  out->TimeOffset = s.GetTimeOffset(index);
  out->SampleByte = s.GetSampleByte(index);
  if (index == 5 && state.Workout.SummaryAvgPower > 0) out->SummaryPower = state.Workout.SummaryAvgPower;
  if (index == 6 && state.Workout.SummaryMaxPower > 0) out->SummaryPower = state.Workout.SummaryMaxPower;
  out->TorqueEffectivenessLeft = s.GetTorqueEffectivenessLeft(index);
  out->TorqueEffectivenessRight = s.GetTorqueEffectivenessRight(index);
  out->PedalSmoothnessLeft = s.GetPedalSmoothnessLeft(index);
  out->PedalSmoothnessRight = s.GetPedalSmoothnessRight(index);
  return true;
}

std::int32_t GetLapDatasEx(const PluginState& state, std::int32_t index, LapDataRecord* out) {
  const TLapClass& laps = state.Workout.Laps;
  if (out == nullptr || index < 0 || index >= laps.Count()) return 0;
  LapDataRecord lap;
  laps.GetLap(index, lap);
  std::memcpy(out, &lap, sizeof(LapDataRecord));
  return 0;
}

bool SetLogSummaryEx(PluginState& state, const LogSummaryRecord& summary) {
  std::memcpy(&state.Workout.Summary, &summary, sizeof(LogSummaryRecord));
  return true;
}

bool SetExerciseDatasEx(PluginState& state, std::int32_t index, const ExerciseDataRecord& data) {
  TMyHRMDatas& s = state.Workout.Samples;
  // Growing first means every setter below writes within the arrays and cannot fail halfway.
  if (!s.EnsureIndex(index)) return false;
  const void* zero = std::memchr(data.SampleText, 0, sizeof(data.SampleText));
  const std::size_t textLength = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data.SampleText)
                                      : sizeof(data.SampleText);
  std::string text(data.SampleText, textLength);  // before any store change: may throw
  s.SetHr(index, data.HeartRate);
  s.SetDist(index, data.Distance);
  s.SetSpd(index, data.Speed);
  s.SetAlt(index, data.Altitude);
  s.SetTemp(index, data.Temperature);
  s.SetPwr(index, data.Power);
  s.SetPwrRight(index, data.PowerBalance);
  s.SetCad(index, data.Cadence);
  s.SetLat(index, data.Latitude);
  s.SetLon(index, data.Longitude);
  s.SetSampleText(index, std::move(text));
  s.SetTimeOffset(index, data.TimeOffset);
  s.SetSampleByte(index, data.SampleByte);
  s.SetTorqueEffectivenessLeft(index, data.TorqueEffectivenessLeft);
  s.SetTorqueEffectivenessRight(index, data.TorqueEffectivenessRight);
  s.SetPedalSmoothnessLeft(index, data.PedalSmoothnessLeft);
  s.SetPedalSmoothnessRight(index, data.PedalSmoothnessRight);
  return true;
}

bool SetLapDatasEx(PluginState& state, const LapDataRecord& lap) {
  state.Workout.Laps.Add(lap);
  return true;
}

}  // namespace tessaly
