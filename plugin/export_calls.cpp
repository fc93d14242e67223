#include "plugin/plugin_core.h"

namespace tessaly {

// Writing PWX files arrives with the writer; until then nothing is exported.
std::int32_t ExportDatas(PluginState&, const char*) { return 0; }

}  // namespace tessaly
