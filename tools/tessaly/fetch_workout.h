// The one way the tool gets a workout from the plug-in: an import through the exports, in the
// host's order, with the reason when the plug-in takes nothing.
#pragma once

#include <string>

#include "host_workout.h"
#include "plugin_api.h"
#include "unpacked_file.h"

namespace tessaly::tool {

// Makes the file at path ready for the plug-in (unpacked when it is gzip-compressed) and asks the
// plug-in whether it takes the name. False, with a one-line reason that starts with the path,
// when it is no file, cannot be read or unpacked, or has a name the plug-in does not take;
// asTheHost as PlainWorkoutFile::Open takes it.
bool OpenForPlugin(const PluginApi& api, const std::string& path, PlainWorkoutFile& file, std::string& error,
                   bool asTheHost = false);

// Imports the PWX file at path, and reads the sport and the athlete from the file itself. False,
// with a one-line reason that starts with the path (and the place in the file where there is one),
// when the plug-in imports nothing; the reason then comes from a read of the plug-in's core.
bool FetchWorkout(const PluginApi& api, const std::string& path, HostWorkout& w, std::string& error);

}  // namespace tessaly::tool
