// A workout as the host holds it: the records the plug-in hands over, and what the tool reads
// beside them from the file itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exercise/records.h"
#include "exercise/workout.h"

namespace tessaly::tool {

struct HostWorkout : WorkoutSummary {
  std::vector<ExerciseDataRecord> Samples;
  std::vector<LapDataRecord> Laps;
  std::string Athlete;  // host text; the file's own, as the plug-in imports none
  // The sport by the name the export writes for it, which the export code is made from: the
  // summary's SportType is numbered by the import, and the two numberings differ.
  std::string Sport;
  bool CommentCut = false;  // the comment was longer than a 16-bit capacity lets through
  // The plug-in's altitude threshold in metres (GetAHFactor), by which it counts the laps' climb.
  std::int32_t AltitudeThreshold = 0;
  // Whether the file gives the start: without one the plug-in dates the workout at the import.
  bool StartInFile = true;
};

}  // namespace tessaly::tool
