// The 40 exported functions. Each converts its arguments and runs the core on the plug-in state
// inside the one guard (plugin/call_guard.h): the plug-in's floating-point environment, the
// plug-in lock, and nothing thrown let out. Exports that only answer a constant, or copy a
// constant text into the host's buffer, touch no state and compute nothing: they answer directly,
// so that they never wait for another thread's call.
#include <cstdint>
#include <new>

#include "plugin/call_guard.h"
#include "plugin/export_abi.h"
#include "plugin/plugin_core.h"
#include "plugin/plugin_state.h"
#include "platform/file_save.h"
#include "platform/icon.h"

using namespace tessaly;

namespace {

HostBool Bool(bool b) { return b ? 1 : 0; }

HostBool CopyConstant(std::string_view text, char* buffer, std::uint32_t capacity) noexcept {
  CopyTextOut(text, buffer, capacity);
  return 1;
}

}  // namespace

// --- Metadata and configuration ---

TESSALY_EXPORT HostBool TESSALY_CALL Initialize(std::int32_t ahFactor, const char* dir, std::uint32_t) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::Initialize(s, ahFactor, dir)); });
}

TESSALY_EXPORT std::uint8_t TESSALY_CALL GetExInterface() { return kExInterface; }

TESSALY_EXPORT std::int32_t TESSALY_CALL TESSALY_GETVERSION() { return kPluginVersion; }

TESSALY_EXPORT std::uint8_t TESSALY_CALL GetPluginType() { return kPluginType; }
TESSALY_EXPORT std::uint8_t TESSALY_CALL GetPluginDevType() { return kPluginDevType; }

TESSALY_EXPORT HostBool TESSALY_CALL GetDeviceName(char* buffer, std::uint32_t capacity) {
  return CopyConstant(kDeviceName, buffer, capacity);
}

TESSALY_EXPORT HostBool TESSALY_CALL GetPluginName(char* buffer, std::uint32_t capacity) {
  return CopyConstant(kPluginName, buffer, capacity);
}

TESSALY_EXPORT HostBool TESSALY_CALL GetPluginExeParam(char*, std::uint32_t, const char* iniPath) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::GetPluginExeParam(s, iniPath)); });
}

TESSALY_EXPORT HostBool TESSALY_CALL GetDir(char* buffer, std::uint32_t capacity) {
  return Guarded<HostBool>(1, [&](PluginState& s) {
    CopyTextOut(s.PluginDir, buffer, capacity);
    return HostBool{1};
  });
}

TESSALY_EXPORT void TESSALY_CALL SetIniFile(const char* path) {
  GuardedVoid([&](PluginState& s) { s.IniFile = HostText(path); });
}

TESSALY_EXPORT void TESSALY_CALL SetPluginIniFile(const char* path) {
  GuardedVoid([&](PluginState& s) { s.PluginIniFile = HostText(path); });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL GetAHFactor() {
  return Guarded<std::int32_t>(2, [](PluginState& s) { return s.AHFactor; });
}

TESSALY_EXPORT HostBool TESSALY_CALL GetAuthor(char* buffer, std::uint32_t capacity) {
  return CopyConstant(kAuthor, buffer, capacity);
}

TESSALY_EXPORT std::int32_t TESSALY_CALL GetComment(char* buffer, std::uint32_t capacity) {
  return Guarded<std::int32_t>(0, [&](PluginState& s) { return tessaly::GetComment(s, buffer, capacity); });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL GetURL(char* buffer, std::uint32_t capacity) {
  CopyTextOut({}, buffer, capacity);
  return 0;
}

TESSALY_EXPORT HostBool TESSALY_CALL GetRawExtension(char* buffer, std::uint32_t capacity) {
  return CopyConstant(kRawExtension, buffer, capacity);
}

TESSALY_EXPORT HostBool TESSALY_CALL ValidRawExtension(const char* ext, std::uint32_t capacity) {
  return Guarded<HostBool>(0, [&](PluginState&) { return Bool(tessaly::ValidRawExtension(ext, capacity)); });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL UseOwnSetupDialog() { return 0; }
TESSALY_EXPORT std::int32_t TESSALY_CALL UseOwnImportDialog() { return 0; }

TESSALY_EXPORT void TESSALY_CALL SetCVVersion(std::int32_t version) {
  GuardedVoid([&](PluginState& s) { s.HostVersion = version; });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL GetDelProperty() { return 0; }
TESSALY_EXPORT std::int32_t TESSALY_CALL GetDevImpProperty() { return 0; }

TESSALY_EXPORT HostBool TESSALY_CALL GetPluginIcon(void** bitmap) {
  if (bitmap == nullptr) return 0;
  return Guarded<HostBool>(0, [&](PluginState&) { return Bool(platform::DeliverIcon(bitmap)); });
}

// --- Import ---

TESSALY_EXPORT std::uint16_t TESSALY_CALL GetExerciseNumber() { return 0; }

TESSALY_EXPORT std::uint16_t TESSALY_CALL GetExerciseNumberFromRawFile(const char* path) {
  return Guarded<std::uint16_t>(0, [&](PluginState& s) { return tessaly::GetExerciseNumberFromRawFile(s, path); });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL GetExerciseNumberFromRawFileEx(const char* path, std::uint32_t) {
  return Guarded<std::int32_t>(0, [&](PluginState& s) {
    return static_cast<std::int32_t>(tessaly::GetExerciseNumberFromRawFile(s, path));
  });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL AnalyseExercise(const char* path, std::uint32_t) {
  return Guarded<std::int32_t>(0, [&](PluginState& s) { return tessaly::AnalyseExercise(s, path); });
}

TESSALY_EXPORT HostBool TESSALY_CALL GetLogSummaryEx(LogSummaryRecord* summary) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::GetLogSummaryEx(s, summary)); });
}

TESSALY_EXPORT HostBool TESSALY_CALL GetExerciseDatasEx(std::int32_t index, ExerciseDataRecord* data) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::GetExerciseDatasEx(s, index, data)); });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL GetLapDatasEx(std::int32_t index, LapDataRecord* lap) {
  return Guarded<std::int32_t>(0, [&](PluginState& s) { return tessaly::GetLapDatasEx(s, index, lap); });
}

// --- Export ---

TESSALY_EXPORT HostBool TESSALY_CALL SetupExport(std::uint32_t, std::uint32_t) { return 1; }
TESSALY_EXPORT HostBool TESSALY_CALL SetLogSummary(OldLogSummaryArgs) { return 1; }
TESSALY_EXPORT HostBool TESSALY_CALL SetExerciseDatas(OldExerciseDataArgs) { return 1; }
TESSALY_EXPORT void TESSALY_CALL SetLapDatas(OldLapDataArgs) {}

TESSALY_EXPORT HostBool TESSALY_CALL SetLogSummaryEx(LogSummaryRecord summary) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::SetLogSummaryEx(s, summary)); });
}

TESSALY_EXPORT HostBool TESSALY_CALL SetExerciseDatasEx(std::int32_t index, ExerciseDataRecord data) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::SetExerciseDatasEx(s, index, data)); });
}

TESSALY_EXPORT HostBool TESSALY_CALL SetLapDatasEx(std::uint32_t, LapDataRecord lap) {
  return Guarded<HostBool>(0, [&](PluginState& s) { return Bool(tessaly::SetLapDatasEx(s, lap)); });
}

TESSALY_EXPORT void TESSALY_CALL SetComment(const char* text) {
  GuardedVoid([&](PluginState& s) { s.Workout.Comment = HostText(text); });
}

TESSALY_EXPORT void TESSALY_CALL SetUser(const char* text) {
  GuardedVoid([&](PluginState& s) { s.Workout.UserName = HostText(text); });
}

TESSALY_EXPORT std::int32_t TESSALY_CALL ExportDatas(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                     std::uint32_t, std::uint32_t, std::uint32_t,
                                                     const char* target, std::uint32_t) {
  // Why a save failed is left as the thread's last error once the guard, which may change it, is done.
  int systemError = 0;
  const std::int32_t written =
      Guarded<std::int32_t>(0, [&](PluginState& s) { return tessaly::ExportDatas(s, target, &systemError); });
  if (written != 1) platform::SetLastSystemError(systemError);
  return written;
}
