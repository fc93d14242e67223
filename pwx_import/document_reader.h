// One PWX file into the plug-in's import result: summary block, comment, summary powers and the
// two stores.
#pragma once

#include "plugin/plugin_state.h"

namespace tessaly {

// How a read ended, for tests and diagnostics; the host only ever sees the sample count.
enum class PwxReadOutcome {
  Imported,      // the walk ran to the end and the derived values were made
  WalkStopped,   // an impossible `time`: stores emptied, derived values not made
  LoadFailed,    // not well-formed, unreadable, refused: stores emptied, nothing else changed
};

// Reads the file at path (the host's 8-bit path) into state. Everything the walk produces is
// staged and reaches state only once the whole document has proved well-formed.
PwxReadOutcome ReadPwxFile(PluginState& state, const char* path);

}  // namespace tessaly
