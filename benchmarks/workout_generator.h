// What the benchmarks share: a long, dense workout (one sample a second with every common
// channel) and the parser-alone floor it is measured against.
#pragma once

#include <string>

namespace tessaly::bench {

// Which channels the samples carry:
//   kCommon  GPS, power, cadence, heart rate, speed, distance and altitude in every sample, one
//            child a line
//   kDense   every one of the 15 sample elements in every sample, one sample a line
//   kSparse  the common ones, temp in every other sample and pwrright in every third, as power
//            meters and head units write them, one sample a line
enum class SampleChannels { kCommon, kDense, kSparse };

// A PWX document of `seconds` one-second samples and `segments` segments of equal length.
std::string MakeWorkoutDocument(int seconds, int segments, SampleChannels channels = SampleChannels::kCommon);

// The benchmarks' 24-hour workout: kDaySeconds one-second samples in kDaySegments segments,
// written at the first call to a file of this process's own in the temporary folder (benchmarks
// running side by side must not read each other's halves) and removed when the program ends.
inline constexpr int kDaySeconds = 86400;
inline constexpr int kDaySegments = 24;
const std::string& DayWorkoutPath();

// The floor of an import: expat alone reads the file with empty handlers. False when the file
// cannot be read or is not well-formed.
bool ParseWithEmptyHandlers(const char* path);

}  // namespace tessaly::bench
