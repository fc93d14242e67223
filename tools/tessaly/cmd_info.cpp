#include <cstdio>
#include <string>

#include "plugin_api.h"

namespace tessaly::tool {
namespace {

std::string Text(HostBool (TESSALY_CALL* get)(char*, std::uint32_t)) {
  char buffer[256] = {};
  get(buffer, sizeof(buffer) - 1);
  return os::HostToUtf8(buffer);
}

}  // namespace

int RunInfo(const Plugin& plugin, int argc, char**) {
  if (argc != 0) {
    std::fputs("usage: tessaly info\n", stderr);
    return 2;
  }
  const PluginApi& api = plugin.api();
  char raw[16] = {};
  api.GetRawExtension(raw, sizeof(raw) - 1);
  void* icon = nullptr;
  int width = 0, height = 0, bits = 0;
  const bool hasIcon = api.GetPluginIcon(&icon) != 0 && icon != nullptr &&
                       os::DescribeIcon(icon, width, height, bits);
  std::printf("Device name:       %s\n", Text(api.GetDeviceName).c_str());
  std::printf("Plug-in name:      %s\n", Text(api.GetPluginName).c_str());
  std::printf("Author:            %s\n", Text(api.GetAuthor).c_str());
  std::printf("Interface level:   %d\n", static_cast<int>(api.GetExInterface()));
  std::printf("Version:           %d\n", static_cast<int>(api.GetVersion()));
  std::printf("Plug-in type:      %d\n", static_cast<int>(api.GetPluginType()));
  std::printf("Device type:       %d\n", static_cast<int>(api.GetPluginDevType()));
  std::printf("Raw extension:     %s\n", raw);
  std::printf("Altitude step:     %d m\n", static_cast<int>(api.GetAHFactor()));
  std::printf("Own dialogs:       setup %d, import %d\n", static_cast<int>(api.UseOwnSetupDialog()),
              static_cast<int>(api.UseOwnImportDialog()));
  if (hasIcon) {
    std::printf("Icon:              %dx%d, %d bits per pixel\n", width, height, bits);
  } else {
    std::printf("Icon:              none\n");
  }
  if (icon != nullptr) os::ReleaseIcon(icon);
  return 0;
}

}  // namespace tessaly::tool
