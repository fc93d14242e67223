#include <utility>

#include "plugin_api.h"

namespace tessaly::tool {

std::unique_ptr<Plugin> Plugin::Load(const std::string& path, std::string& error) {
  std::unique_ptr<Plugin> plugin(new Plugin);
  plugin->handle_ = os::OpenLibrary(path, error);
  if (plugin->handle_ == nullptr) return nullptr;
  bool complete = true;
  const auto find = [&](auto& slot, const char* name) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(os::FindSymbol(plugin->handle_, name));
    if (slot == nullptr) {
      if (complete) error = path + ": the plug-in does not export " + name;
      complete = false;
    }
  };
  PluginApi& a = plugin->api_;
  find(a.Initialize, "Initialize");
  find(a.GetExInterface, "GetExInterface");
  find(a.GetVersion, "GetVersion");
  find(a.GetPluginType, "GetPluginType");
  find(a.GetPluginDevType, "GetPluginDevType");
  find(a.GetDeviceName, "GetDeviceName");
  find(a.GetPluginName, "GetPluginName");
  find(a.GetPluginExeParam, "GetPluginExeParam");
  find(a.GetDir, "GetDir");
  find(a.SetIniFile, "SetIniFile");
  find(a.SetPluginIniFile, "SetPluginIniFile");
  find(a.GetAHFactor, "GetAHFactor");
  find(a.GetAuthor, "GetAuthor");
  find(a.GetComment, "GetComment");
  find(a.GetURL, "GetURL");
  find(a.GetRawExtension, "GetRawExtension");
  find(a.ValidRawExtension, "ValidRawExtension");
  find(a.UseOwnSetupDialog, "UseOwnSetupDialog");
  find(a.UseOwnImportDialog, "UseOwnImportDialog");
  find(a.SetCVVersion, "SetCVVersion");
  find(a.GetDelProperty, "GetDelProperty");
  find(a.GetDevImpProperty, "GetDevImpProperty");
  find(a.GetPluginIcon, "GetPluginIcon");
  find(a.GetExerciseNumber, "GetExerciseNumber");
  find(a.GetExerciseNumberFromRawFile, "GetExerciseNumberFromRawFile");
  find(a.GetExerciseNumberFromRawFileEx, "GetExerciseNumberFromRawFileEx");
  find(a.AnalyseExercise, "AnalyseExercise");
  find(a.GetLogSummaryEx, "GetLogSummaryEx");
  find(a.GetExerciseDatasEx, "GetExerciseDatasEx");
  find(a.GetLapDatasEx, "GetLapDatasEx");
  find(a.SetupExport, "SetupExport");
  find(a.SetLogSummary, "SetLogSummary");
  find(a.SetExerciseDatas, "SetExerciseDatas");
  find(a.SetLapDatas, "SetLapDatas");
  find(a.SetLogSummaryEx, "SetLogSummaryEx");
  find(a.SetExerciseDatasEx, "SetExerciseDatasEx");
  find(a.SetLapDatasEx, "SetLapDatasEx");
  find(a.SetComment, "SetComment");
  find(a.SetUser, "SetUser");
  find(a.ExportDatas, "ExportDatas");
  if (!complete) return nullptr;
  return plugin;
}

Plugin::~Plugin() {
  if (handle_ != nullptr) os::CloseLibrary(handle_);
}

void Plugin::StartSession(const std::string& pluginDir) const {
  constexpr std::int32_t kHostVersion = 700;
  api_.Initialize(kKeepAHFactor, pluginDir.c_str(), 0);
  api_.SetCVVersion(kHostVersion);
}

}  // namespace tessaly::tool
