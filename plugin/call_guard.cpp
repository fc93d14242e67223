#include "plugin/call_guard.h"

namespace tessaly {

std::mutex& PluginLock() noexcept {
  static std::mutex lock;  // constant-initialized: ready before the library's own initialization
  return lock;
}

}  // namespace tessaly
