// The project's own PWX fixtures (tests/data/import), each built around a group of edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "import_test_support.h"
#include "platform/codepage.h"
#include "plugin/plugin_core.h"
#include "util/date_time.h"

namespace tessaly {
namespace {

using test::V;

struct Imported {
  std::unique_ptr<PluginState> State = std::make_unique<PluginState>();
  std::int32_t Count = 0;
  const LogSummaryRecord& Summary() const { return State->Workout.Summary; }
  const SampleStore& Samples() const { return State->Workout.Samples; }
  LapDataRecord Lap(std::int32_t j) const {
    LapDataRecord lap;
    State->Workout.Laps.GetLap(j, lap);
    return lap;
  }
};

Imported ImportFixture(const std::string& name) {
  Imported out;
  const std::string path = test::DataDir() + "/import/" + name;
  out.Count = AnalyseExercise(*out.State, path.c_str());
  return out;
}

const DateTime kMay24 = EncodeDate(2016, 5, 24);

TEST(FixtureFiles, FailedImportsYieldNothing) {
  const char* names[] = {"bad_time.pwx", "broken_after_samples.pwx", "deep_nesting.pwx", "doctype.pwx"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const Imported r = ImportFixture(name);
    EXPECT_EQ(r.Count, 0);
    EXPECT_EQ(r.State->Workout.Laps.Count(), 0);
    LogSummaryRecord s;
    EXPECT_FALSE(GetLogSummaryEx(*r.State, &s));
  }
  // The walk read the comment before the impossible time; a load failure reads nothing.
  EXPECT_EQ(ImportFixture("bad_time.pwx").State->Workout.Comment, "read");
  EXPECT_EQ(ImportFixture("doctype.pwx").State->Workout.Comment, "");
}

TEST(FixtureFiles, SummaryAndSegments) {
  const Imported r = ImportFixture("summary_and_segments.pwx");
  ASSERT_EQ(r.Count, 7);
  const LogSummaryRecord& s = r.Summary();
  EXPECT_DOUBLE_EQ(V(s.StartTime), kMay24 + EncodeTime(8, 0, 0, 0));
  EXPECT_DOUBLE_EQ(V(s.EndTime), kMay24 + EncodeTime(9, 0, 0, 0));
  EXPECT_EQ(V(s.Duration), 3600);
  EXPECT_EQ(V(s.SportType), 3);
  EXPECT_EQ(V(s.MaxHeartRate), 180);
  EXPECT_EQ(V(s.AvgHeartRate), 140);
  EXPECT_EQ(V(s.MaxSpeed), 100);
  EXPECT_EQ(V(s.AvgSpeed), 180);
  EXPECT_EQ(r.State->Workout.SummaryMaxPower, 641);
  EXPECT_EQ(r.State->Workout.SummaryAvgPower, 200);
  EXPECT_DOUBLE_EQ(V(s.Distance), 42.195);  // more than the last sample's 0.16 km
  EXPECT_EQ(V(s.MaxAltitude), 812.5);
  EXPECT_EQ(V(s.MinAltitude), -3.25);
  EXPECT_EQ(V(s.Ascent), 350);   // the extension came after the summary
  EXPECT_EQ(V(s.Descent), -13);
  EXPECT_EQ(V(s.TrainingStressScore), 85.3);
  EXPECT_EQ(V(s.NormalizedPower), 250);
  EXPECT_EQ(V(s.Calories), 250);  // the segments' sum: the extension has none
  EXPECT_EQ(V(s.SampleInterval), 5);
  EXPECT_EQ(V(s.LapCount), 3);
  EXPECT_EQ(r.State->Workout.Comment, "Morning ride\r\nFixture 1.0");

  const LapDataRecord first = r.Lap(0);
  EXPECT_EQ(V(first.MaxSpeed), 36.0);
  EXPECT_EQ(V(first.AvgSpeed), 18.0);
  EXPECT_EQ(V(first.MaxPower), 300.0);
  EXPECT_EQ(V(first.AvgPower), 199.0);
  EXPECT_EQ(V(first.Calories), 100);
  EXPECT_EQ(V(first.EndTimeOfDay), 8 * 3600 + 10);
  // DIST is not the lap's distance: the statistics fill it from the samples (0.045 km at 10 s).
  EXPECT_DOUBLE_EQ(V(first.Distance), 0.045);
  EXPECT_EQ(V(first.MaxHeartRate), 120);  // samples 0-2; 0 left out of the average
  EXPECT_EQ(V(first.AvgHeartRate), 110);
  EXPECT_EQ(V(first.Ascent), 3);          // 100 -> 103 passes the 2 m threshold
  EXPECT_EQ(V(first.Descent), 4);

  const LapDataRecord second = r.Lap(1);
  EXPECT_EQ(V(second.EndOffset), 10.0);   // duration read before beginning
  EXPECT_EQ(V(second.Duration), 0.0);
  EXPECT_EQ(V(second.Distance), 1.0);
  EXPECT_EQ(V(second.MaxCadence), 95);
  EXPECT_EQ(V(second.AvgCadence), 80);
  EXPECT_EQ(V(second.Calories), 150);

  const LapDataRecord third = r.Lap(2);   // a name only
  EXPECT_EQ(V(third.LapKind), 2);
  EXPECT_EQ(V(third.EndTimeOfDay), 8 * 3600);
}

TEST(FixtureFiles, GpsFill) {
  const Imported r = ImportFixture("gps_fill.pwx");
  ASSERT_EQ(r.Count, 9);  // the last two samples hold no reading
  const SampleStore& s = r.Samples();
  const double north = 0.11112;
  const double east = 0.11112 * std::cos(50.001 * 3.14159265358979323846 / 180.0);
  EXPECT_EQ(s.GetDist(0), 0.0);
  EXPECT_NEAR(s.GetDist(1), north, 1e-9);
  EXPECT_NEAR(s.GetDist(2), north + east, 1e-6);
  for (int i = 3; i < 9; ++i) EXPECT_EQ(s.GetDist(i), s.GetDist(2)) << "sample " << i;
  EXPECT_EQ(s.GetLat(3), 50.001);
  EXPECT_EQ(s.GetLon(3), 8.001);
  EXPECT_EQ(s.GetLat(4), 0.0);
  EXPECT_EQ(V(r.Summary().Distance), s.GetDist(8));
  EXPECT_EQ(V(r.Summary().SportType), 2);
}

TEST(FixtureFiles, PedalBalanceAndPedalChannels) {
  const Imported r = ImportFixture("pedal_balance.pwx");
  ASSERT_EQ(r.Count, 9);
  const double balance[] = {55, 67, 0, 0, 0, 0, 60, -3, 50};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(r.Samples().GetPwrRight(i), balance[i]) << "sample " << i;
  EXPECT_EQ(r.Samples().GetTorqueEffectivenessLeft(8), 45.0);
  EXPECT_EQ(r.Samples().GetTorqueEffectivenessRight(8), 80.0);
  EXPECT_EQ(r.Samples().GetPedalSmoothnessLeft(8), 20.0);
  EXPECT_EQ(r.Samples().GetPedalSmoothnessRight(8), 19.0);
  EXPECT_EQ(r.Samples().GetTemp(8), 21.5);
}

TEST(FixtureFiles, TwoWorkouts) {
  const Imported r = ImportFixture("two_workouts.pwx");
  ASSERT_EQ(r.Count, 6);
  EXPECT_EQ(r.State->Workout.Comment, "First\r\n123\r\nSecond");
  EXPECT_DOUBLE_EQ(V(r.Summary().StartTime), EncodeDate(2015, 3, 1) + EncodeTime(6, 0, 0, 0));
  EXPECT_EQ(V(r.Summary().SportType), 6);
  EXPECT_EQ(V(r.Summary().SampleInterval), 44);
  EXPECT_DOUBLE_EQ(V(r.Summary().Distance), 0.4);
  EXPECT_DOUBLE_EQ(r.Samples().GetDist(1), 0.1);
  EXPECT_DOUBLE_EQ(r.Samples().GetDist(3), 0.3);
  EXPECT_EQ(V(r.Lap(0).EndTimeOfDay), 600);           // before any start: from midnight
  EXPECT_EQ(V(r.Lap(1).EndTimeOfDay), 6 * 3600 + 620);
}

TEST(FixtureFiles, Encodings) {
  struct Case {
    const char* Name;
    const char* Utf8Comment;
  };
  const Case cases[] = {
      {"windows1252.pwx", "Caf\xC3\xA9 \xE2\x82\xAC 5 \xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"iso8859-1.pwx", "Z\xC3\xBCrich \xC3\xA0 v\xC3\xA9lo"},
      {"utf16.pwx", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const Imported r = ImportFixture(c.Name);
    EXPECT_GE(r.Count, 1);
    EXPECT_EQ(r.State->Workout.Comment, platform::Utf8ToHostText(c.Utf8Comment));
  }
  const Imported utf16 = ImportFixture("utf16.pwx");
  EXPECT_EQ(V(utf16.Summary().SportType), 2);
  EXPECT_EQ(utf16.Samples().GetHr(1), 91);
}

TEST(FixtureFiles, StartTimes) {
  const DateTime before = LocalNow();
  const Imported none = ImportFixture("no_time.pwx");
  const DateTime after = LocalNow();
  ASSERT_EQ(none.Count, 2);
  EXPECT_GE(V(none.Summary().StartTime), before - 1.0 / 86400);  // the clock's millisecond is dropped
  EXPECT_LE(V(none.Summary().StartTime), after);
  EXPECT_NEAR(V(none.Summary().EndTime) - V(none.Summary().StartTime), 120.0 / 86400, 1e-9);

  // 10:20:30Z is 15:50:30 in a zone 5 h 30 min east of Greenwich without summer time.
  test::ZoneScope zone("Asia/Kolkata");
  if (!zone.Active()) GTEST_SKIP() << "start with TZ=Asia/Kolkata to run the UTC case";
  const Imported utc = ImportFixture("utc_time.pwx");
  ASSERT_EQ(utc.Count, 2);
  const std::int32_t secondsOfDay = 15 * 3600 + 50 * 60 + 30;              // 57030
  EXPECT_DOUBLE_EQ(V(utc.Summary().StartTime), 42514 + secondsOfDay / 86400.0);  // 2016-05-24
  EXPECT_EQ(V(utc.Lap(0).EndTimeOfDay), secondsOfDay + 60);              // one 60 s segment
}

TEST(FixtureFiles, NumberEdges) {
  const Imported r = ImportFixture("number_edges.pwx");
  ASSERT_EQ(r.Count, 2);
  const LogSummaryRecord& s = r.Summary();
  EXPECT_DOUBLE_EQ(V(s.StartTime), kMay24 + EncodeTime(8, 0, 0, 0));  // blanks around the time
  EXPECT_EQ(V(s.EndTime), V(s.StartTime));  // negative duration
  EXPECT_EQ(V(s.Duration), -60);
  EXPECT_EQ(V(s.MaxHeartRate), 255);        // saturated, then the low 8 bits
  EXPECT_EQ(V(s.AvgHeartRate), 255);        // -1
  EXPECT_EQ(V(s.MaxSpeed), -1);
  EXPECT_EQ(r.State->Workout.SummaryAvgPower, -1);
  EXPECT_EQ(r.State->Workout.SummaryMaxPower, -8);
  EXPECT_EQ(V(s.NormalizedPower), 1);
  EXPECT_EQ(V(s.TrainingStressScore), 100.0);
  EXPECT_EQ(V(s.Calories), 65535);          // from the segment, saturated
  EXPECT_DOUBLE_EQ(V(s.Distance), 1.0);     // 12,5 is no number; the last sample's 1 km
  const SampleStore& d = r.Samples();
  EXPECT_EQ(d.GetTimeOffset(0), -1);
  EXPECT_EQ(d.GetTimeOffset(1), 2147483647);
  EXPECT_EQ(d.GetHr(0), 44);
  EXPECT_EQ(d.GetSpd(0), 1.7976931348623157e308);  // kept finite
  EXPECT_EQ(d.GetAlt(0), 0.0);
  EXPECT_FALSE(std::signbit(d.GetAlt(0)));
  EXPECT_EQ(d.GetCad(0), 255);
  EXPECT_DOUBLE_EQ(d.GetSpd(1), 1.8);
  EXPECT_EQ(d.GetAlt(1), 5.0);
  EXPECT_EQ(d.GetDist(1), 1.0);             // no step between such positions
  EXPECT_EQ(V(r.Lap(0).Calories), 65535);
  EXPECT_EQ(V(r.Lap(0).EndTimeOfDay), 28799);
}

TEST(FixtureFiles, MarkupInText) {
  const Imported r = ImportFixture("markup_in_text.pwx");
  ASSERT_EQ(r.Count, 1);  // the second sample's hr is its extension's: no reading of its own
  EXPECT_EQ(r.State->Workout.Comment, "a & b <c>");
  EXPECT_EQ(V(r.Summary().SportType), 1);   // CDATA is not plain text
  EXPECT_EQ(r.Samples().GetHr(0), 130);
  EXPECT_EQ(r.Samples().GetCad(0), 0);
}

}  // namespace
}  // namespace tessaly
