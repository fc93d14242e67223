// What a file is, when the plug-in imports nothing from it, and what the import changes when it
// does, in plain words from the import's own report: the core the plug-in is built from reads the
// file and says how the read ended, where and why, and each change it made where it made it. The
// tool adds only what a tool alone judges: the kind of a file that is no XML at all, the words,
// and which values no sensor gives. Places are given the way XML tools give them,
// FILE:LINE:COLUMN, the line counted from 1 and the column from 0, as expat counts them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pwx_import/document_reader.h"

namespace tessaly::tool {

// Reads the file at path with the plug-in's own core, as AnalyseExercise reads it (ahFactor is the
// plug-in's altitude step), in the plug-in's floating-point state, watching for values no sensor
// gives. False, with a line starting with path, when the workout does not fit in memory.
bool ReadWithReport(const std::string& path, std::int32_t ahFactor, PwxRead& read, std::string& error);

// Whether that read gives the host a workout: AnalyseExercise answers its sample count.
bool Imports(const PwxRead& read);

// Why nothing is imported from the file at path, which read read. One line, starting with path:
// what the file is or what is wrong and what to do, then in parentheses the place and the parser's
// own words where there are any.
std::string DiagnoseRefusal(const std::string& path, const PwxRead& read);

// What check says of an imported file besides its counts, one line per kind, each starting with
// "path: warning: " (a change the import makes, a value no sensor gives) or "path: note: " (what
// the import read as the file meant it), with how often and the first place.
struct Finding {
  bool Warning;
  std::string Line;
};
std::vector<Finding> ImportFindings(const std::string& path, const PwxRead& read);

}  // namespace tessaly::tool
