#include "plugin/plugin_state.h"

#include <new>

namespace tessaly {
namespace {
PluginState* g_state = nullptr;
}  // namespace

bool AttachPluginState() noexcept {
  if (g_state != nullptr) return true;
  try {
    g_state = new PluginState;
  } catch (...) {  // the stores' first arrays may not fit either
    return false;
  }
  return true;
}

void DetachPluginState() noexcept {
  delete g_state;
  g_state = nullptr;
}

PluginState* CurrentPluginState() noexcept { return g_state; }

}  // namespace tessaly
