// The plug-in as the host sees it: the 40 exports, looked up by name in a library loaded at run
// time. Whatever the tool asks of the plug-in goes through these; the host-side programs that
// share this loader (host_tests, host_rounds) link nothing of the core.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exercise/records.h"
#include "plugin/export_abi.h"

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
// Whether the stream is a terminal a person watches (a progress bar then, plain lines otherwise).
bool IsTerminal(std::FILE* stream);
// The calling thread's last system error (errno; GetLastError() on Windows): what a failed export
// of the plug-in leaves there, read right after the call.
int LastSystemError();
// The system's own words for one of its error codes, as one line.
std::string SystemErrorText(int code);
// The files a pattern with * or ? in its last part matches, in name order, as a Unix shell expands
// it before the program runs; cmd.exe leaves that to the program, so only Windows matches here
// (elsewhere, and for no match, none).
std::vector<std::string> FilesMatching(const std::string& pattern);
// Whether the system takes NAME.PWX and NAME.pwx for one file (Windows), not two.
bool FileNamesIgnoreCase();
// Bytes through the stream unchanged: no line-end translation (Windows' text mode).
void UseBinary(std::FILE* stream);
// Makes a write to a pipe whose reader has gone fail with the system's reason, as any failed
// write does, instead of ending the process (POSIX's SIGPIPE; Windows fails the write already).
void FailWritesToClosedPipes();
}  // namespace os

}  // namespace tessaly::tool
