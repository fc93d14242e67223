// The one process-wide plug-in state that every export works on: the host's settings and the
// workout of the last import or the coming export.
#pragma once

#include <cstdint>
#include <string>

#include "exercise/workout.h"

namespace tessaly {

struct PluginState {
  std::int32_t AHFactor = 2;  // altitude hysteresis of the lap statistics, metres
  std::string PluginDir;
  std::string IniFile;        // stored for the host, never read
  std::string PluginIniFile;  // stored for the host, never read
  std::int32_t HostVersion = 0;
  tessaly::Workout Workout;
};

// The loaded library's state. Attach creates it (false when that fails), Detach releases it;
// CurrentPluginState() is only called between the two.
bool AttachPluginState() noexcept;
void DetachPluginState() noexcept;
PluginState* CurrentPluginState() noexcept;

}  // namespace tessaly
