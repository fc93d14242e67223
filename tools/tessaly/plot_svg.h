// A workout drawn as one SVG picture: a panel for each of heart rate, speed (pace for runs and
// swims), power, cadence and altitude that the workout has, over the elapsed time, laps as
// alternating bands; below them the route from the positions, the figures of the samples and the
// laps in a table.
#pragma once

#include <string>

#include "host_workout.h"

namespace tessaly::tool {

struct PlotOptions {
  // Each line a moving average over this many seconds (0: the readings as they came), the readings
  // themselves faint behind it.
  double SmoothSeconds = 0;
};

std::string PlotSvg(const HostWorkout& w, const PlotOptions& options = {});

}  // namespace tessaly::tool
