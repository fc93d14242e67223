// What an import did besides the workout it staged, as a parser's result says more than yes or
// no: how the read ended and, when it failed, where and in the parser's own words; and every
// change the import made to what the file says, each noted by the reader where it made it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "pwx_import/load_result.h"

namespace tessaly {

// The kinds of change an import notes, with the PWX element each is about.
enum class ImportNoteKind : std::uint8_t {
  WorkoutsMerged,        // "workout": one after the first; its samples, laps and summary follow the first's
  SampleWithoutReading,  // "sample": nothing read but timeoffset, so not stored
  SampleBeyondLimit,     // "sample": beyond the store's last index, not stored
  BeyondRecord,          // "hr", "cad": outside 0-255; "timeoffset": outside 32 bits. Value: what is stored
  OffsetNotAfter,        // "timeoffset": a stored sample's offset, as stored, is not after the one before.
                         // Text: that offset; Value: the one before
  SummaryFigureZero,     // "duration", "dist", "hr", "spd", "pwr", "alt": the summary gives it as 0 or
                         // not at all, so the host reads 0, though the samples hold the channel
  LapFigureZero,         // "dist", "hr", "spd", "cad", "pwr": a segment gives it as 0; the lap takes
                         // the samples' figure instead. Count: laps
  ZoneDesignator,        // "time": a Z or an offset made the time an instant, read as local time
  NoStartTime,           // "time": none, so the workout is dated at the import
  LapCountHeld,          // "segment": more segments than the summary's LapCount counts. Count: those
                         // beyond it; Value: all of them
  PowerOfOneWatt,        // "pwr": exactly 1 W
  Watched,               // "spd", "pwr", "hr", "lat", "lon", "timeoffset": beyond the caller's SampleWatch
};

// One kind of change: how often, and the first time.
struct ImportNote {
  ImportNoteKind Kind = ImportNoteKind::WorkoutsMerged;
  std::string_view Element;       // the PWX element it is about, in lower case
  std::int64_t Count = 0;
  xml::Place First;               // where the reader met it first: for a sample's value the end tag of
                                  // its element, for a sample the end tag of the sample
  std::string Text;               // the file's text there, trimmed, where there is one
  std::int64_t Value = 0;         // as the kind says
  std::int32_t SampleIndex = -1;  // the stored sample it is about, where there is one
};

// Sample values a caller wants noted beyond bounds of its own (Watched notes), in the store's
// units and before a value is cut to its field: speed in km/h, latitude and longitude either side
// of 0. By default nothing is watched.
struct SampleWatch {
  static constexpr double kNone = std::numeric_limits<double>::infinity();
  double FastestKmh = kNone;
  double MostPower = kNone;
  double MostHeartRate = kNone;
  double MostLatitude = kNone;
  double MostLongitude = kNone;
  double LeastTimeOffset = -kNone;
};

struct ImportReport {
  xml::LoadResult Load = xml::LoadResult::Loaded;
  xml::LoadFailure Failure;        // after a failed load
  std::string RefusedTime;         // a `time` text that is no date and time: the import stopped there,
  xml::Place RefusedTimePlace;     // at its start tag
  std::string RootName;            // the document element's name as written (UTF-8); empty before it
  std::int64_t Workouts = 0;       // `workout` elements seen
  std::int64_t SampleElements = 0; // `sample` elements seen
  std::string StartText;           // the `time` text that gave the start, and its start tag
  xml::Place StartPlace;
  std::vector<ImportNote> Notes;   // in the order their kinds first happened

  // The note of that kind about that element, or null.
  const ImportNote* Find(ImportNoteKind kind, std::string_view element) const;
};

}  // namespace tessaly
