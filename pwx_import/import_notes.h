// The notes of one import as its readers make them, on the events they note and nowhere else.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "pwx_import/import_report.h"
#include "pwx_import/workout_stream.h"

namespace tessaly {

class ImportNotes {
 public:
  SampleWatch Watch;                       // what the caller wants noted beyond its bounds
  const xml::EventPlace* Where = nullptr;  // where the parse stands while it runs; none otherwise

  xml::Place Here() const { return Where != nullptr ? Where->Here() : xml::Place{}; }

  // count more of kind about element; the first keeps where, the file's text, the value and the
  // stored sample.
  // The place is asked only for the first. Out of line, so that the readers' paths that may note
  // stay small.
  void Note(ImportNoteKind kind, std::string_view element, std::string_view text = {}, std::int64_t value = 0,
            std::int32_t sample = -1, std::int64_t count = 1);
  void NoteAt(xml::Place at, ImportNoteKind kind, std::string_view element, std::string_view text = {},
              std::int64_t value = 0, std::int32_t sample = -1, std::int64_t count = 1);

  ImportNote* Find(ImportNoteKind kind, std::string_view element);
  // Counts count more of a kind already noted; false when it is the first.
  bool Counted(ImportNoteKind kind, std::string_view element, std::int64_t count = 1);
  // The notes about stored samples go: the samples they were about are dropped.
  void ForgetSampleNotes();
  std::vector<ImportNote> Take() { return std::move(notes_); }

 private:
  void Add(xml::Place at, ImportNoteKind kind, std::string_view element, std::string_view text, std::int64_t value,
           std::int32_t sample, std::int64_t count);

  std::vector<ImportNote> notes_;
};

}  // namespace tessaly
