// The one guard every export runs its work in:
//  - the plug-in's own floating-point environment, the host's given back unchanged on every exit;
//  - the process-wide plug-in lock, so that calls from several host threads take turns and no
//    record is ever read half-written;
//  - nothing thrown gets out: the export answers its failure value.
// A notice raised inside (the version gate's) is shown only after the lock is let go and the
// host's floating-point state is back. So while the box waits for a click, other threads' calls go
// on, and a host window that calls the plug-in from inside the box's message loop gets in as well;
// the calling thread itself returns once the box is closed.
#pragma once

#include <mutex>

#include "plugin/plugin_state.h"
#include "util/float_environment.h"
#include "util/notice.h"

namespace tessaly {

// The lock all calls take turns on. Not taken at unload: a host thread killed at process exit
// may have died holding it.
inline std::mutex& PluginLock() noexcept {
  static std::mutex lock;  // made on first use, safely even when two threads come at once
  return lock;
}

template <class R, class F>
R Guarded(R failure, F&& body) noexcept {
  R result = failure;
  NoticeHold notices;
  {
    FloatEnvironmentScope floats;
    try {
      std::lock_guard<std::mutex> lock(PluginLock());
      notices.Open();
      try {
        if (PluginState* state = CurrentPluginState()) result = body(*state);
      } catch (...) {
        result = failure;
      }
      notices.Close();
    } catch (...) {  // the lock could not be taken
      result = failure;
    }
  }
  notices.ShowKept();
  return result;
}

template <class F>
void GuardedVoid(F&& body) noexcept {
  Guarded<bool>(false, [&](PluginState& s) {
    body(s);
    return true;
  });
}

}  // namespace tessaly
