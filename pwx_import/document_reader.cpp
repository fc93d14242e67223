#include "pwx_import/document_reader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "exercise/lap_statistics.h"
#include "platform/file_system.h"
#include "pwx_import/workout_time.h"
#include "pwx_import/number_reading.h"
#include "pwx_import/sample_reader.h"
#include "pwx_import/summary_reader.h"
#include "pwx_import/workout_stream.h"
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
  Walk(WorkoutSummary& staged, SampleStore& samples, LapStore& laps)
      : staged_(staged), laps_(laps), samples_(state_, samples) {}

  // Samples, a day of them at one a second, are read without building a tree for each.
  xml::ChildReading Open(const char* name) override {
    if (xml::NameIs(name, "sample")) {
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
    } else if (xml::NameIs(name, "summarydata")) {
      ReadSummaryData(element, staged_);
    } else if (xml::NameIs(name, "extension")) {
      ReadWorkoutExtension(element, staged_);
    } else if (xml::NameIs(name, "time")) {
      try {
        ReadWorkoutTime(element.Text(), state_);
      } catch (const DateTimeError&) {
        stopped_ = true;
        return false;
      }
      if (state_.WorkoutStart == 0.0) state_.WorkoutStart = state_.ParsedTime;
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

  bool Stopped() const { return stopped_; }
  const ImportState& State() const { return state_; }

 private:
  WorkoutSummary& staged_;
  LapStore& laps_;
  ImportState state_;  // fresh for every read
  SampleReader samples_;
  bool stopped_ = false;
};

// The values made after a complete walk.
void Derive(Workout& workout, const PwxReadSettings& settings, const ImportState& walk) {
  LogSummaryRecord& s = workout.Summary;
  const DateTime start = walk.WorkoutStart != 0.0 ? walk.WorkoutStart : settings.Now;
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
  if (s.Calories == 0) s.Calories = static_cast<std::uint16_t>(walk.SegmentCaloriesTotal);
  const SampleStore& samples = workout.Samples;
  const std::int32_t count = samples.Count();
  if (count > 1) {
    const std::uint32_t step = static_cast<std::uint32_t>(samples.GetTimeOffset(1)) -
                               static_cast<std::uint32_t>(samples.GetTimeOffset(0));
    s.SampleInterval = static_cast<std::uint8_t>(step);
    const double last = samples.GetDist(count - 1);
    if (last > s.Distance) s.Distance = last;
  }
  if (workout.Laps.Count() > 0) {
    // The record counts laps in 16 bits: more are held at the most it counts, not wrapped round to
    // a few; the store keeps them all.
    const std::int32_t laps = DeriveLapStatistics(workout.Samples, workout.Laps, settings.AHFactor);
    s.LapCount = static_cast<std::uint16_t>(std::min<std::int32_t>(laps, kMostCountedLaps));
  }
}

// Bytes a sample takes in a PWX file, on the low side: device files hold 110 to 380, ours about
// 200. The store is given room for the samples a file of that size may hold before the walk, so
// that a long workout fills it without the copies of growing (a day's import then needs 5.0 MB
// more at its peak instead of 8.2); a file of sparser samples grows from there as usual.
constexpr std::uint64_t kFileBytesPerSample = 128;

// The walk, with everything it produces staged.
PwxReadOutcome Read(const char* path, const PwxReadSettings& settings, Workout& staged, std::int64_t& samplesToStore) {
  WorkoutSummary summary;
  summary.Summary.SportType = kImportCodeOfUnknownSport;
  staged.Samples.Clear();
  staged.Laps.Clear();
  const std::uint64_t expected = platform::FileByteCount(path) / kFileBytesPerSample;
  staged.Samples.ReserveFor(static_cast<std::int64_t>(std::min<std::uint64_t>(expected, SampleStore::MaxReserveHint)));

  Walk walk(summary, staged.Samples, staged.Laps);
  if (xml::ReadWorkoutFile(path, walk) != xml::LoadResult::Loaded) {
    staged.Samples.Clear();
    staged.Laps.Clear();
    return PwxReadOutcome::LoadFailed;
  }
  static_cast<WorkoutSummary&>(staged) = std::move(summary);
  if (walk.Stopped()) {
    staged.Samples.Clear();
    staged.Laps.Clear();
    return PwxReadOutcome::WalkStopped;
  }
  Derive(staged, settings, walk.State());
  samplesToStore = std::int64_t{walk.State().SampleIndex} + 1;
  return PwxReadOutcome::Imported;
}

}  // namespace

PwxRead ReadPwxFile(const char* path, const PwxReadSettings& settings, SampleStore& samples, LapStore& laps) {
  PwxRead read{.Outcome = PwxReadOutcome::LoadFailed,
               .Staged = Workout(std::move(samples), std::move(laps))};
  try {
    read.Outcome = Read(path, settings, read.Staged, read.SamplesToStore);
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
