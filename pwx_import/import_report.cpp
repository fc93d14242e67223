#include "pwx_import/import_report.h"

#include <algorithm>

#include "pwx_import/import_notes.h"
#include "util/ascii.h"

namespace tessaly {

namespace {

template <class Notes>
auto* FindIn(Notes& notes, ImportNoteKind kind, std::string_view element) {
  const auto at = std::find_if(notes.begin(), notes.end(),
                               [&](const ImportNote& n) { return n.Kind == kind && n.Element == element; });
  return at == notes.end() ? nullptr : &*at;
}

}  // namespace

const ImportNote* ImportReport::Find(ImportNoteKind kind, std::string_view element) const {
  return FindIn(Notes, kind, element);
}

ImportNote* ImportNotes::Find(ImportNoteKind kind, std::string_view element) { return FindIn(notes_, kind, element); }

bool ImportNotes::Counted(ImportNoteKind kind, std::string_view element, std::int64_t count) {
  ImportNote* note = Find(kind, element);
  if (note != nullptr) note->Count += count;
  return note != nullptr;
}

void ImportNotes::Note(ImportNoteKind kind, std::string_view element, std::string_view text, std::int64_t value,
                       std::int32_t sample, std::int64_t count) {
  if (!Counted(kind, element, count)) Add(Here(), kind, element, text, value, sample, count);
}

void ImportNotes::NoteAt(xml::Place at, ImportNoteKind kind, std::string_view element, std::string_view text,
                         std::int64_t value, std::int32_t sample, std::int64_t count) {
  if (!Counted(kind, element, count)) Add(at, kind, element, text, value, sample, count);
}

void ImportNotes::Add(xml::Place at, ImportNoteKind kind, std::string_view element, std::string_view text,
                      std::int64_t value, std::int32_t sample, std::int64_t count) {
  notes_.push_back({.Kind = kind, .Element = element, .Count = count, .First = at,
                    .Text = std::string(Trimmed(text)), .Value = value, .SampleIndex = sample});
}

void ImportNotes::ForgetSampleNotes() {
  std::erase_if(notes_, [](const ImportNote& n) { return n.SampleIndex >= 0; });
}

}  // namespace tessaly
