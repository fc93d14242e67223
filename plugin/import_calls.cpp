#include "plugin/plugin_core.h"

namespace tessaly {

// Reading PWX files arrives with the document reader; until then nothing is imported.
std::int32_t AnalyseExercise(PluginState&, const char*) { return 0; }

}  // namespace tessaly
