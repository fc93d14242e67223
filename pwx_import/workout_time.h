// The workout's time texts, read into an import's state.
#pragma once

#include <string_view>

#include "pwx_import/import_state.h"

namespace tessaly {

// Parses into state.ParsedTime; a time marked UTC or with an offset from it becomes local time by
// the machine's zone rules, with the local offset worked out at the first non-empty such time of
// the import and reused after. Throws
// DateTimeError for an impossible date or time of day.
void ReadWorkoutTime(std::string_view text, ImportState& state);

}  // namespace tessaly
