// The shared library's load and unload: the plug-in state exists before the first export runs and
// is released when the library is unloaded.
#include "plugin/plugin_state.h"

namespace {

__attribute__((constructor)) void LoadPlugin() { tessaly::AttachPluginState(); }
__attribute__((destructor)) void UnloadPlugin() { tessaly::DetachPluginState(); }

}  // namespace
