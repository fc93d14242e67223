#include "pwx_import/document_reader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exercise/lap_statistics.h"
#include "platform/file_system.h"
#include "pwx_import/workout_time.h"
#include "pwx_import/number_reading.h"
#include "pwx_import/sample_reader.h"
#include "pwx_import/summary_reader.h"
#include "pwx_import/workout_stream.h"
#include "util/ascii.h"
#include "util/date_time.h"
#include "util/sport_types.h"

namespace tessaly {

namespace {

// Workout children the walk reads as trees; samples are read from the stream, everything else is
// skipped unbuilt.
bool IsReadChild(const char* name) {
  for (const std::string_view read : {"segment", "summarydata", "extension", "time", "cmt", "device", "sporttype"}) {
    if (xml::NameIs(name, read)) return true;
  }
  return false;
}

// One line per non-empty text, CR LF between them.
void AppendLine(std::string& comment, std::string_view text) {
  if (text.empty()) return;
  if (!comment.empty()) comment += "\r\n";
  comment += text;
}

class Walk final : public xml::WorkoutVisitor {
 public:
  Walk(WorkoutSummary& staged, SampleStore& samples, LapStore& laps, ImportReport& report, const SampleWatch& watch)
      : staged_(staged), laps_(laps), report_(report), samples_(state_, samples) {
    state_.Notes.Watch = watch;
  }

  void Document(const char* name, const xml::EventPlace& where) override {
    report_.RootName = name;
    state_.Notes.Where = &where;
  }
  void WorkoutStarted() override {
    if (++report_.Workouts == 1) {
      firstWorkout_ = state_.Notes.Here();
    } else {
      state_.Notes.Note(ImportNoteKind::WorkoutsMerged, "workout");
    }
  }

  // Samples, a day of them at one a second, are read without building a tree for each.
  xml::ChildReading Open(const char* name) override {
    if (xml::NameIs(name, "sample")) {
      ++report_.SampleElements;
      samples_.Open();
      return xml::ChildReading::Stream;
    }
    return IsReadChild(name) ? xml::ChildReading::Tree : xml::ChildReading::Skip;
  }
  void Field(const char* name, std::string_view text) override { samples_.Field(name, text); }
  bool Close() override {
    samples_.Close();
    return true;
  }

  // False once an impossible time has stopped the walk.
  bool Visit(const xml::Node& element) override {
    const std::string& name = element.Name();
    if (xml::NameIs(name, "segment")) {
      ReadSegment(element, state_, laps_);
      if (laps_.Count() == kMostCountedLaps + 1) firstUncountedLap_ = element.Start();
    } else if (xml::NameIs(name, "summarydata")) {
      ReadSummaryData(element, staged_);
      summary_ = element.Start();
    } else if (xml::NameIs(name, "extension")) {
      ReadWorkoutExtension(element, staged_);
    } else if (xml::NameIs(name, "time")) {
      return ReadTime(element);
    } else if (xml::NameIs(name, "cmt")) {
      AppendLine(staged_.Comment, element.Text());
    } else if (xml::NameIs(name, "device")) {
      if (const std::string* id = element.Attribute("id")) AppendLine(staged_.Comment, *id);
    } else if (xml::NameIs(name, "sporttype")) {
      if (const std::optional<std::uint8_t> code = ImportCodeOfSportText(element.Text())) {
        staged_.Summary.SportType = *code;
      }
    }
    return true;
  }

  // The read has ended: no place to ask for any more.
  void EndOfRead() { state_.Notes.Where = nullptr; }

  bool Stopped() const { return stopped_; }
  const ImportState& State() const { return state_; }
  ImportNotes& Notes() { return state_.Notes; }
  // Where the first workout starts, the last summary read, and the first segment beyond the laps
  // the summary counts.
  xml::Place FirstWorkout() const { return firstWorkout_; }
  xml::Place Summary() const { return summary_.Line != 0 ? summary_ : firstWorkout_; }
  xml::Place FirstUncountedLap() const { return firstUncountedLap_; }

 private:
  bool ReadTime(const xml::Node& element) {
    const std::string_view text = element.Text();
    try {
      ReadWorkoutTime(text, state_);
    } catch (const DateTimeError&) {
      report_.RefusedTime = text;
      report_.RefusedTimePlace = element.Start();
      stopped_ = true;
      return false;
    }
    if (state_.ParsedTime != 0.0 && state_.TimeIsUtc) {
      state_.Notes.NoteAt(element.Start(), ImportNoteKind::ZoneDesignator, "time", text);
    }
    if (state_.WorkoutStart == 0.0 && state_.ParsedTime != 0.0) {
      state_.WorkoutStart = state_.ParsedTime;
      report_.StartText = Trimmed(text);
      report_.StartPlace = element.Start();
    }
    return true;
  }

  WorkoutSummary& staged_;
  LapStore& laps_;
  ImportReport& report_;
  ImportState state_;  // fresh for every read
  SampleReader samples_;
  bool stopped_ = false;
  xml::Place firstWorkout_, summary_, firstUncountedLap_;
};

// Whether some sample holds a value other than 0 in the channel get reads.
template <class Get>
bool AnySampleHolds(const SampleStore& samples, Get get) {
  for (std::int32_t i = 0, n = samples.Count(); i < n; ++i) {
    if (get(samples, i) != 0) return true;
  }
  return false;
}

// Summary figures the host reads as 0 although the samples hold the channel: the summary is never
// made from the samples but for its distance.
void NoteSummaryFigures(const Workout& workout, ImportNotes& notes, xml::Place at) {
  const LogSummaryRecord& s = workout.Summary;
  const SampleStore& samples = workout.Samples;
  const auto note = [&](std::string_view element, bool zero, auto get) {
    if (zero && AnySampleHolds(samples, get)) notes.NoteAt(at, ImportNoteKind::SummaryFigureZero, element);
  };
  note("duration", s.Duration == 0, [](const SampleStore& x, std::int32_t i) { return x.GetTimeOffset(i); });
  note("dist", s.Distance == 0.0, [](const SampleStore& x, std::int32_t i) { return x.GetDist(i); });
  note("hr", s.MaxHeartRate == 0 && s.AvgHeartRate == 0,
       [](const SampleStore& x, std::int32_t i) { return x.GetHr(i); });
  note("spd", s.MaxSpeed == 0 && s.AvgSpeed == 0, [](const SampleStore& x, std::int32_t i) { return x.GetSpd(i); });
  note("pwr", workout.SummaryMaxPower == 0 && workout.SummaryAvgPower == 0,
       [](const SampleStore& x, std::int32_t i) { return x.GetPwr(i); });
  note("alt", s.MaxAltitude == 0.0 && s.MinAltitude == 0.0,
       [](const SampleStore& x, std::int32_t i) { return x.GetAlt(i); });
}

// Lap figures a segment gave as 0 that the lap statistics have filled from the samples.
void NoteLapFigures(const LapStore& laps, const std::vector<LapGivenZero>& given, ImportNotes& notes) {
  for (const LapGivenZero& zero : given) {
    LapDataRecord lap{};
    laps.GetLap(zero.Lap, lap);
    const struct {
      LapFigure Figure;
      std::string_view Element;
      bool Filled;
    } figures[] = {
        {kLapDistance, "dist", lap.Distance != 0.0},
        {kLapHeartRate, "hr", lap.MaxHeartRate != 0 || lap.AvgHeartRate != 0},
        {kLapSpeed, "spd", lap.MaxSpeed != 0.0 || lap.AvgSpeed != 0.0},
        {kLapCadence, "cad", lap.MaxCadence != 0 || lap.AvgCadence != 0},
        {kLapPower, "pwr", lap.MaxPower != 0.0 || lap.AvgPower != 0.0},
    };
    for (const auto& f : figures) {
      if ((zero.Figures & f.Figure) != 0 && f.Filled) notes.NoteAt(zero.At, ImportNoteKind::LapFigureZero, f.Element);
    }
  }
}

// The values made after a complete walk, and the notes of what they make of the file.
void Derive(Workout& workout, const PwxReadSettings& settings, Walk& walk) {
  const ImportState& state = walk.State();
  ImportNotes& notes = walk.Notes();
  LogSummaryRecord& s = workout.Summary;
  if (state.WorkoutStart == 0.0) notes.NoteAt(walk.FirstWorkout(), ImportNoteKind::NoStartTime, "time");
  const DateTime start = state.WorkoutStart != 0.0 ? state.WorkoutStart : settings.Now;
  s.StartTime = start;
  // A negative duration has no span; the workout then ends where it starts.
  s.EndTime = start;
  if (s.Duration > 0) {
    try {
      s.EndTime = StoreDouble(static_cast<long double>(start) + SecondsToDateTime(s.Duration));
    } catch (const DateTimeError&) {
      s.EndTime = start;
    }
  }
  s.Reserved67 = 0;
  if (s.Calories == 0) s.Calories = static_cast<std::uint16_t>(state.SegmentCaloriesTotal);
  const SampleStore& samples = workout.Samples;
  const std::int32_t count = samples.Count();
  if (count > 1) {
    const std::uint32_t step = static_cast<std::uint32_t>(samples.GetTimeOffset(1)) -
                               static_cast<std::uint32_t>(samples.GetTimeOffset(0));
    s.SampleInterval = static_cast<std::uint8_t>(step);
    const double last = samples.GetDist(count - 1);
    if (last > s.Distance) s.Distance = last;
  }
  NoteSummaryFigures(workout, notes, walk.Summary());
  if (workout.Laps.Count() > 0) {
    // The record counts laps in 16 bits: more are held at the most it counts, not wrapped round to
    // a few; the store keeps them all.
    const std::int32_t laps = DeriveLapStatistics(workout.Samples, workout.Laps, settings.AHFactor);
    s.LapCount = static_cast<std::uint16_t>(std::min<std::int32_t>(laps, kMostCountedLaps));
    if (laps > kMostCountedLaps) {
      notes.NoteAt(walk.FirstUncountedLap(), ImportNoteKind::LapCountHeld, "segment", {}, laps, -1,
                   laps - kMostCountedLaps);
    }
    NoteLapFigures(workout.Laps, state.LapsGivenZero, notes);
  }
}

// Bytes a sample takes in a PWX file, on the low side: device files hold 110 to 380, ours about
// 200. The store is given room for the samples a file of that size may hold before the walk, so
// that a long workout fills it without the copies of growing (a day's import then needs 5.0 MB
// more at its peak instead of 8.2); a file of sparser samples grows from there as usual.
constexpr std::uint64_t kFileBytesPerSample = 128;

// The walk, with everything it produces staged.
PwxReadOutcome Read(const char* path, const PwxReadSettings& settings, Workout& staged, ImportReport& report) {
  WorkoutSummary summary;
  summary.Summary.SportType = kImportCodeOfUnknownSport;
  staged.Samples.Clear();
  staged.Laps.Clear();
  const std::uint64_t expected = platform::FileByteCount(path) / kFileBytesPerSample;
  staged.Samples.ReserveFor(static_cast<std::int64_t>(std::min<std::uint64_t>(expected, SampleStore::MaxReserveHint)));

  Walk walk(summary, staged.Samples, staged.Laps, report, settings.Watch);
  report.Load = xml::ReadWorkoutFile(path, walk, &report.Failure);
  walk.EndOfRead();
  PwxReadOutcome outcome = PwxReadOutcome::Imported;
  if (report.Load != xml::LoadResult::Loaded) {
    staged.Samples.Clear();
    staged.Laps.Clear();
    outcome = PwxReadOutcome::LoadFailed;
  } else {
    static_cast<WorkoutSummary&>(staged) = std::move(summary);
    if (walk.Stopped()) {
      staged.Samples.Clear();
      staged.Laps.Clear();
      outcome = PwxReadOutcome::WalkStopped;
    } else {
      Derive(staged, settings, walk);
    }
  }
  report.Notes = walk.Notes().Take();
  return outcome;
}

}  // namespace

PwxRead ReadPwxFile(const char* path, const PwxReadSettings& settings, SampleStore& samples, LapStore& laps) {
  PwxRead read{.Outcome = PwxReadOutcome::LoadFailed,
               .Staged = Workout(std::move(samples), std::move(laps)),
               .Report = {}};
  try {
    read.Outcome = Read(path, settings, read.Staged, read.Report);
  } catch (...) {
    samples = std::move(read.Staged.Samples);
    laps = std::move(read.Staged.Laps);
    samples.Clear();
    laps.Clear();
    throw;
  }
  return read;
}

}  // namespace tessaly
