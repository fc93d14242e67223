#include <cstdio>
#include <string>

#include "commands.h"
#include "platform/codepage.h"

namespace tessaly::tool {
namespace {

std::string Text(HostBool (TESSALY_CALL* get)(char*, std::uint32_t)) {
  char buffer[256] = {};
  get(buffer, sizeof(buffer) - 1);
  return platform::HostTextToUtf8(buffer);
}

}  // namespace

int RunInfo(const Plugin& plugin, const Console& console, const Arguments& args) {
  if (!args.Operands.empty()) return NotUnderstood(console, "info", "it takes no file");
  const PluginApi& api = plugin.api();
  char raw[16] = {};
  api.GetRawExtension(raw, sizeof(raw) - 1);
  void* icon = nullptr;
  int width = 0, height = 0, bits = 0;
  const bool hasIcon = api.GetPluginIcon(&icon) != 0 && icon != nullptr &&
                       os::DescribeIcon(icon, width, height, bits);
  std::fprintf(console.Out, "Device name:       %s\n", Text(api.GetDeviceName).c_str());
  std::fprintf(console.Out, "Plug-in name:      %s\n", Text(api.GetPluginName).c_str());
  std::fprintf(console.Out, "Author:            %s\n", Text(api.GetAuthor).c_str());
  std::fprintf(console.Out, "Interface level:   %d\n", static_cast<int>(api.GetExInterface()));
  std::fprintf(console.Out, "Version:           %d\n", static_cast<int>(api.GetVersion()));
  std::fprintf(console.Out, "Plug-in type:      %d\n", static_cast<int>(api.GetPluginType()));
  std::fprintf(console.Out, "Device type:       %d\n", static_cast<int>(api.GetPluginDevType()));
  std::fprintf(console.Out, "Raw extension:     %s\n", raw);
  std::fprintf(console.Out, "Altitude step:     %d m\n", static_cast<int>(api.GetAHFactor()));
  std::fprintf(console.Out, "Own dialogs:       setup %d, import %d\n", static_cast<int>(api.UseOwnSetupDialog()),
              static_cast<int>(api.UseOwnImportDialog()));
  if (hasIcon) {
    std::fprintf(console.Out, "Icon:              %dx%d, %d bits per pixel\n", width, height, bits);
  } else {
    std::fprintf(console.Out, "Icon:              none\n");
  }
  if (icon != nullptr) os::ReleaseIcon(icon);
  return 0;
}

}  // namespace tessaly::tool
