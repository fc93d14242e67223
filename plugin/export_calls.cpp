#include "plugin/plugin_core.h"
#include "pwx_export/pwx_writer.h"

namespace tessaly {

// 1 only once the whole file is saved; a refused host, an empty target or a file that cannot be
// written give 0, and an existing file at the target is then left as it was.
std::int32_t ExportDatas(PluginState& state, const char* target) {
  if (!PassesVersionGate(state)) return 0;
  return WritePwxDocument(state.Workout, HostText(target)) ? 1 : 0;
}

}  // namespace tessaly
