// The plug-in as the host sees it: the 40 exports, looked up by name in a library loaded at run
// time. Only the record layouts are shared with the plug-in's sources; its core is never linked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "plugin/export_abi.h"
#include "exercise/records.h"

namespace tessaly::tool {

using tessaly::ExerciseDataRecord;
using tessaly::HostBool;
using tessaly::LapDataRecord;
using tessaly::LogSummaryRecord;

struct PluginApi {
  HostBool(TESSALY_CALL* Initialize)(std::int32_t, const char*, std::uint32_t);
  std::uint8_t(TESSALY_CALL* GetExInterface)();
  std::int32_t(TESSALY_CALL* GetVersion)();
  std::uint8_t(TESSALY_CALL* GetPluginType)();
  std::uint8_t(TESSALY_CALL* GetPluginDevType)();
  HostBool(TESSALY_CALL* GetDeviceName)(char*, std::uint32_t);
  HostBool(TESSALY_CALL* GetPluginName)(char*, std::uint32_t);
  HostBool(TESSALY_CALL* GetPluginExeParam)(char*, std::uint32_t, const char*);
  HostBool(TESSALY_CALL* GetDir)(char*, std::uint32_t);
  void(TESSALY_CALL* SetIniFile)(const char*);
  void(TESSALY_CALL* SetPluginIniFile)(const char*);
  std::int32_t(TESSALY_CALL* GetAHFactor)();
  HostBool(TESSALY_CALL* GetAuthor)(char*, std::uint32_t);
  std::int32_t(TESSALY_CALL* GetComment)(char*, std::uint32_t);
  std::int32_t(TESSALY_CALL* GetURL)(char*, std::uint32_t);
  HostBool(TESSALY_CALL* GetRawExtension)(char*, std::uint32_t);
  HostBool(TESSALY_CALL* ValidRawExtension)(const char*, std::uint32_t);
  std::int32_t(TESSALY_CALL* UseOwnSetupDialog)();
  std::int32_t(TESSALY_CALL* UseOwnImportDialog)();
  void(TESSALY_CALL* SetCVVersion)(std::int32_t);
  std::int32_t(TESSALY_CALL* GetDelProperty)();
  std::int32_t(TESSALY_CALL* GetDevImpProperty)();
  HostBool(TESSALY_CALL* GetPluginIcon)(void**);
  std::uint16_t(TESSALY_CALL* GetExerciseNumber)();
  std::uint16_t(TESSALY_CALL* GetExerciseNumberFromRawFile)(const char*);
  std::int32_t(TESSALY_CALL* GetExerciseNumberFromRawFileEx)(const char*, std::uint32_t);
  std::int32_t(TESSALY_CALL* AnalyseExercise)(const char*, std::uint32_t);
  HostBool(TESSALY_CALL* GetLogSummaryEx)(LogSummaryRecord*);
  HostBool(TESSALY_CALL* GetExerciseDatasEx)(std::int32_t, ExerciseDataRecord*);
  std::int32_t(TESSALY_CALL* GetLapDatasEx)(std::int32_t, LapDataRecord*);
  HostBool(TESSALY_CALL* SetupExport)(std::uint32_t, std::uint32_t);
  HostBool(TESSALY_CALL* SetLogSummary)(tessaly::OldLogSummaryArgs);
  HostBool(TESSALY_CALL* SetExerciseDatas)(tessaly::OldExerciseDataArgs);
  void(TESSALY_CALL* SetLapDatas)(tessaly::OldLapDataArgs);
  HostBool(TESSALY_CALL* SetLogSummaryEx)(LogSummaryRecord);
  HostBool(TESSALY_CALL* SetExerciseDatasEx)(std::int32_t, ExerciseDataRecord);
  HostBool(TESSALY_CALL* SetLapDatasEx)(std::uint32_t, LapDataRecord);
  void(TESSALY_CALL* SetComment)(const char*);
  void(TESSALY_CALL* SetUser)(const char*);
  std::int32_t(TESSALY_CALL* ExportDatas)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                          std::uint32_t, std::uint32_t, std::uint32_t, const char*,
                                          std::uint32_t);
};

// A loaded plug-in library. Unloads on destruction.
class Plugin {
 public:
  // Loads the library at path and looks up every export; on failure returns null and says why.
  static std::unique_ptr<Plugin> Load(const std::string& path, std::string& error);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  const PluginApi& api() const { return api_; }

  // Initialize (keeping the altitude threshold) and announce a current host version, as the
  // real host does right after loading.
  void StartSession(const std::string& pluginDir) const;

 private:
  Plugin() = default;
  void* handle_ = nullptr;
  PluginApi api_{};
};

// Operating-system services of the tool (host_os_*.cpp).
namespace os {
void* OpenLibrary(const std::string& path, std::string& error);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);
// The plug-in file that sits beside this executable.
std::string DefaultPluginPath();
// What the plug-in's icon is; false when the handle or image cannot be read.
bool DescribeIcon(void* icon, int& width, int& height, int& bitsPerPixel);
// Gives the icon back as the host's owner would.
void ReleaseIcon(void* icon);
// Host 8-bit text (ANSI code page on Windows, UTF-8 elsewhere) to UTF-8 and back, for JSON.
std::string HostToUtf8(const std::string& text);
std::string Utf8ToHost(const std::string& utf8);
// Whether the stream is a terminal a person watches (a progress bar then, plain lines otherwise).
bool IsTerminal(std::FILE* stream);
// The calling thread's last system error (errno; GetLastError() on Windows): what a failed export
// of the plug-in leaves there, read right after the call.
int LastSystemError();
// The system's own words for one of its error codes, as one line.
std::string SystemErrorText(int code);
}  // namespace os

// Where a command writes: its output, its messages, and whether the messages reach a terminal.
struct Console {
  std::FILE* Out;
  std::FILE* Err;
  bool ErrIsTerminal;
};

// The whole tool: options, the command, its arguments. Returns the process exit status: 0 done,
// 1 failed, 2 not understood.
int RunTool(int argc, char** argv, const Console& console);

// A command's option given as "--name value" or "--name=value" (a short one only as "-n value") at
// argv[i]: true with its value, and i moved past a separate value; false when argv[i] is not that
// option with a value.
bool TakeOption(int argc, char** argv, int& i, const std::string& name, std::string& value);
// An argument that names a file rather than an option ("-" alone is a file: standard input).
inline bool IsOperand(const std::string& arg) { return !(arg.size() > 1 && arg[0] == '-'); }

// A command's usage lines ("usage: tessaly NAME ...\n"), for its messages about a command line it does
// not understand.
const char* UsageOf(std::string_view command);
// Whether value is one the command's option takes where its help lists the values as A|B|C; if
// not, says so on console.Err, naming the option and its values.
bool IsChoiceOf(const Console& console, std::string_view command, std::string_view option, const std::string& value);

// Commands; argv holds the command's own arguments. Each returns the exit status.
int RunInfo(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunImport(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunExport(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunConvert(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunCheck(const Plugin& plugin, const Console& console, int argc, char** argv);
int RunPlot(const Plugin& plugin, const Console& console, int argc, char** argv);

}  // namespace tessaly::tool
