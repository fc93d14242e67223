// What a PWX file says of its workout that the plug-in does not hand over in full: the sport as
// written (the plug-in gives only a code, one for Run and Walk alike) and the athlete's name (the
// host has no field for it). The tool reads these itself, with the plug-in's own parser setup.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::tool {

struct WorkoutHeader {
  std::vector<std::string> SportTexts;  // every sportType text, in the order of the file (host text)
  std::string Athlete;                  // the first athlete name that is not blank (host text)
  bool HasTime = false;                 // a workout has a time element, its start
};

// What the file at path says, as far as it reads.
void ReadWorkoutHeader(const std::string& path, WorkoutHeader& header);

// The sport a host keeps for an imported workout, as the export names it: the text the plug-in
// took its code from, so that Walk stays Walk; for a file whose text the import does not know,
// that text when the export writes it, otherwise "Other"; from the code alone when the texts
// do not explain it.
std::string_view ImportedSport(std::uint8_t importedCode, const std::vector<std::string>& sportTexts);

}  // namespace tessaly::tool
