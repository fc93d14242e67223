// What each export does, on a given plug-in state. The exported shims only convert arguments and
// catch; everything the host can observe is decided here.
#pragma once

#include <cstdint>
#include <string_view>

#include "exercise/records.h"
#include "plugin/export_abi.h"
#include "plugin/plugin_state.h"
#include "pwx_import/document_reader.h"
#include "tessaly_version.h"

namespace tessaly {

inline constexpr std::uint8_t kExInterface = 6;
inline constexpr std::int32_t kPluginVersion = TESSALY_PLUGIN_VERSION;
inline constexpr std::uint8_t kPluginType = 5;
inline constexpr std::uint8_t kPluginDevType = 5;
inline constexpr std::int32_t kMinHostVersion = 505;
inline constexpr std::string_view kDeviceName = "Tessaly Import/Export";
inline constexpr std::string_view kPluginName = "Tessaly Import/Export Plugin";
inline constexpr std::string_view kAuthor = "The Tessaly developers";
inline constexpr std::string_view kRawExtension = "pwx";

// Copies at most the low 16 bits of capacity characters of text and a zero byte into buffer;
// nothing at all when buffer is null or that capacity is 0.
void CopyTextOut(std::string_view text, char* buffer, std::uint32_t capacity) noexcept;

// A host text pointer as text: null is the empty text.
inline std::string_view HostText(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// True when the host is recent enough; otherwise shows the notice (once per call) and refuses.
bool PassesVersionGate(const PluginState& state);

// True when the file name's extension (from its last dot) is ".pwx" in any case.
bool HasPwxExtension(std::string_view path);

// Metadata and configuration.
bool Initialize(PluginState& state, std::int32_t ahFactor, const char* dir);
bool GetPluginExeParam(PluginState& state, const char* iniPath);
bool ValidRawExtension(const char* ext, std::uint32_t capacity);
std::int32_t GetComment(const PluginState& state, char* buffer, std::uint32_t capacity) noexcept;

// Import calls.
// Reads the file at path and makes what the read produced the state's workout: AnalyseExercise
// without its checks and without emptying the workout first.
PwxReadOutcome ImportPwxFile(PluginState& state, const char* path);
std::uint16_t GetExerciseNumberFromRawFile(const PluginState& state, const char* path);
std::int32_t AnalyseExercise(PluginState& state, const char* path);
bool GetLogSummaryEx(const PluginState& state, LogSummaryRecord* out);
bool GetExerciseDatasEx(const PluginState& state, std::int32_t index, ExerciseDataRecord* out);
std::int32_t GetLapDatasEx(const PluginState& state, std::int32_t index, LapDataRecord* out);

// Export calls.
bool SetLogSummaryEx(PluginState& state, const LogSummaryRecord& summary);
bool SetExerciseDatasEx(PluginState& state, std::int32_t index, const ExerciseDataRecord& data);
bool SetLapDatasEx(PluginState& state, const LapDataRecord& lap);
// 1 once the file is saved; otherwise 0, and the system's own code for why in *systemError when
// given (0 where no system call failed: a refused host, a target that names no file).
std::int32_t ExportDatas(PluginState& state, const char* target, int* systemError = nullptr);

}  // namespace tessaly
