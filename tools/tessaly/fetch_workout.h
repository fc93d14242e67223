// The one way the tool gets a workout from the plug-in: an import through the exports, in the
// host's order, with the reason when the plug-in takes nothing.
#pragma once

#include <string>

#include "host_workout.h"
#include "plugin_api.h"

namespace tessaly::tool {

// Imports the PWX file at path, and reads the sport and the athlete from the file itself. False,
// with a one-line reason that starts with the path (and the place in the file where there is one),
// when the plug-in imports nothing.
bool FetchWorkout(const PluginApi& api, const std::string& path, HostWorkout& w, std::string& error);

}  // namespace tessaly::tool
