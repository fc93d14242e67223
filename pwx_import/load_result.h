// How reading a document ended and where, as the parser setup answers it; free of expat, so that
// a report of the read can travel to callers that never parse.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::xml {

// How reading a document ended.
enum class LoadResult : std::uint8_t {
  Loaded,           // well-formed to the end
  Unreadable,       // the file could not be opened or read
  NotWellFormed,    // a syntax or encoding error anywhere in the document, or no memory left for it
  DoctypeRefused,   // a document type declaration: never expanded, never fetched
  TooDeep,          // elements nested deeper than kMaxDepth
};

// A place in the document as expat counts it: the line from 1, the column from 0. 0:0 for none.
struct Place {
  unsigned long Line = 0;
  unsigned long Column = 0;
};

// Why a read failed: where (where expat stopped; for a refusal of ours the start of the element or
// declaration), expat's own code and words for NotWellFormed, the system's own code for
// Unreadable (errno; GetLastError() on Windows).
struct LoadFailure {
  Place At;
  int ParserError = 0;
  std::string ParserWords;
  int SystemError = 0;
};

}  // namespace tessaly::xml
