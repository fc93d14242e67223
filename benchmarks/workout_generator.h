// A long, dense workout for benchmarks: one sample a second with every common channel.
#pragma once

#include <string>

namespace tessaly::bench {

// A PWX document of `seconds` one-second samples with GPS, power, cadence, heart rate and
// altitude, and `segments` segments of equal length.
std::string MakeWorkoutDocument(int seconds, int segments);

}  // namespace tessaly::bench
