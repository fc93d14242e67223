// A workout as the host holds it, and the one way the tool gets it from the plug-in: an import
// through the exports, in the host's order, with the reason when the plug-in takes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_api.h"

namespace tessaly::tool {

struct Workout {
  LogSummaryRecord Summary{};
  std::int32_t SummaryAvgPower = 0;  // what the plug-in hands over on samples 5 and 6
  std::int32_t SummaryMaxPower = 0;
  std::vector<ExerciseDataRecord> Samples;
  std::vector<LapDataRecord> Laps;
  std::string Comment;  // host text
  std::string Athlete;  // host text; the file's own, as the plug-in imports none
  // The sport by the name the export writes for it, which the export code is made from: the
  // summary's SportType is numbered by the import, and the two numberings differ.
  std::string Sport;
  bool CommentCut = false;  // the comment was longer than a 16-bit capacity lets through
};

// Imports the PWX file at path, and reads the sport and the athlete from the file itself. False,
// with a one-line reason that starts with the path (and the place in the file where there is one),
// when the plug-in imports nothing.
bool FetchWorkout(const PluginApi& api, const std::string& path, Workout& w, std::string& error);

// A DateTime (days since 1899-12-30, the fraction the time of day) as YYYY-MM-DDThh:mm:ss, rounded
// to the nearest millisecond first and the milliseconds then dropped; empty when it is no date.
std::string CalendarText(double value);
// The DateTime of a YYYY-MM-DDThh:mm:ss text; nullopt for any other text or an impossible date.
std::optional<double> CalendarValue(std::string_view text);

// The last part of a path, after the last slash or backslash.
std::string BaseName(const std::string& path);

// The text as the plug-in's readers take it: blanks and control characters gone from both ends.
std::string_view Trimmed(std::string_view text);

}  // namespace tessaly::tool
