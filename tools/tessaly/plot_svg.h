// A workout drawn as one SVG picture: a panel for each of heart rate, speed, power, cadence and
// altitude that the workout has, over the elapsed time, laps as alternating bands.
#pragma once

#include <string>

#include "host_workout.h"

namespace tessaly::tool {

std::string PlotSvg(const Workout& w);

}  // namespace tessaly::tool
