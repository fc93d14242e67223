// Workout `summarydata` and `extension`, and segments as laps.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "import_test_support.h"
#include "pwx_import/summary_reader.h"
#include "util/date_time.h"

namespace tessaly {
namespace {

using test::V;
using test::WorkoutChild;

WorkoutSummary Summary(const std::string& children) {
  WorkoutSummary out;
  ReadSummaryData(WorkoutChild("<summarydata>" + children + "</summarydata>"), out);
  return out;
}

TEST(SummaryReader, Fields) {
  struct Case {
    const char* Children;
    std::function<double(const WorkoutSummary&)> Get;
    double Expected;
  };
  const auto maxSpeed = [](const WorkoutSummary& s) { return double(s.Summary.MaxSpeed); };
  const auto avgSpeed = [](const WorkoutSummary& s) { return double(s.Summary.AvgSpeed); };
  const auto maxHr = [](const WorkoutSummary& s) { return double(s.Summary.MaxHeartRate); };
  const auto avgHr = [](const WorkoutSummary& s) { return double(s.Summary.AvgHeartRate); };
  const auto np = [](const WorkoutSummary& s) { return double(s.Summary.NormalizedPower); };
  const auto duration = [](const WorkoutSummary& s) { return double(s.Summary.Duration); };
  const auto ascent = [](const WorkoutSummary& s) { return double(s.Summary.Ascent); };
  const auto descent = [](const WorkoutSummary& s) { return double(s.Summary.Descent); };
  const auto avgPower = [](const WorkoutSummary& s) { return double(s.SummaryAvgPower); };
  const auto maxPower = [](const WorkoutSummary& s) { return double(s.SummaryMaxPower); };
  const auto dist = [](const WorkoutSummary& s) { return double(s.Summary.Distance); };
  const auto tss = [](const WorkoutSummary& s) { return double(s.Summary.TrainingStressScore); };
  const auto maxAlt = [](const WorkoutSummary& s) { return double(s.Summary.MaxAltitude); };
  const auto minAlt = [](const WorkoutSummary& s) { return double(s.Summary.MinAltitude); };
  const Case cases[] = {
      {"<spd max=\"10\" avg=\"5\"/>", maxSpeed, 360},
      {"<spd max=\"10\" avg=\"5\"/>", avgSpeed, 180},
      {"<spd max=\"2.7777\"/>", maxSpeed, 100},
      {"<spd max=\"2.7777\"/>", avgSpeed, 0},
      {"<spd max=\"-2.7777\"/>", maxSpeed, -100},
      {"<hr max=\"180.9\" avg=\"140\"/>", maxHr, 180},
      {"<hr max=\"180.9\"/>", avgHr, 0},                  // a missing attribute writes 0
      {"<hr avg=\"140\"/><hr max=\"170\"/>", avgHr, 0},   // the later element sets both
      {"<hr max=\"300\"/>", maxHr, 44},
      {"<hr MAX=\"180\"/>", maxHr, 0},                    // attribute names match exactly
      {"<normalizedpower>250.7</normalizedpower>", np, 250},
      {"<normalizedpower>65537</normalizedpower>", np, 1},
      {"<duration>3600.9</duration>", duration, 3600},
      {"<duration>-5</duration>", duration, -5},
      {"<Duration>60</Duration>", duration, 60},
      {"<climbingelevation>12.5</climbingelevation>", ascent, 13},
      {"<climbingelevation>-12.5</climbingelevation>", ascent, -13},
      {"<climbingelevation>abc</climbingelevation><descendingelevation>7.4</descendingelevation>", ascent, 0},
      {"<climbingelevation>abc</climbingelevation><descendingelevation>7.4</descendingelevation>", descent, 7},
      {"<pwr avg=\"199.5\" max=\"400.4\"/>", avgPower, 200},
      {"<pwr avg=\"199.5\" max=\"400.4\"/>", maxPower, 400},
      {"<pwr avg=\"1e300\"/>", avgPower, -1},              // saturated, low 32 bits
      {"<dist>42195</dist>", dist, 42.195},
      {"<dist>12,5</dist>", dist, 0},
      {"<tss>85.3</tss>", tss, 85.3},
      {"<alt max=\"812.5\" min=\"-3.25\" avg=\"100\"/>", maxAlt, 812.5},
      {"<alt max=\"812.5\" min=\"-3.25\" avg=\"100\"/>", minAlt, -3.25},
      {"<cad max=\"100\" avg=\"80\"/><beginning>5</beginning><temp avg=\"3\"/>", duration, 0},
      {"<dist><![CDATA[1000]]></dist>", dist, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Children);
    EXPECT_DOUBLE_EQ(c.Get(Summary(c.Children)), c.Expected);
  }
}

TEST(SummaryReader, SummaryHasNoCadenceAndLeavesOtherFieldsAlone) {
  WorkoutSummary out;
  out.Summary.Calories = 77;
  out.Summary.SportType = 3;
  ReadSummaryData(WorkoutChild("<summarydata><cad max=\"100\" avg=\"80\"/><hr max=\"150\"/></summarydata>"), out);
  EXPECT_EQ(V(out.Summary.Calories), 77);
  EXPECT_EQ(V(out.Summary.SportType), 3);
  EXPECT_EQ(V(out.Summary.MaxHeartRate), 150);
}

TEST(SummaryReader, WorkoutExtension) {
  struct Case {
    const char* Extension;
    int Calories, Ascent, Descent;
  };
  const Case cases[] = {
      {"<calories>300.9</calories>", 300, 0, 0},
      {"<calories>70000</calories>", 70000 - 65536, 0, 0},
      {"<ascent>350.4</ascent><descent>10.5</descent>", 0, 350, 11},
      {"<Calories>5</Calories><laps>3</laps>", 5, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Extension);
    WorkoutSummary out;
    ReadWorkoutExtension(WorkoutChild(std::string("<extension>") + c.Extension + "</extension>"), out);
    EXPECT_EQ(V(out.Summary.Calories), c.Calories);
    EXPECT_EQ(V(out.Summary.Ascent), c.Ascent);
    EXPECT_EQ(V(out.Summary.Descent), c.Descent);
  }
  // The later of summary and extension wins the shared ascent.
  WorkoutSummary out;
  ReadSummaryData(WorkoutChild("<summarydata><climbingelevation>300</climbingelevation></summarydata>"), out);
  ReadWorkoutExtension(WorkoutChild("<extension><ascent>350.4</ascent></extension>"), out);
  EXPECT_EQ(V(out.Summary.Ascent), 350);
}

LapDataRecord Lap(const std::string& segmentContent, DateTime workoutStart = 0.0, ImportState* stateOut = nullptr) {
  ImportState state;
  state.WorkoutStart = workoutStart;
  LapStore laps;
  ReadSegment(WorkoutChild("<segment>" + segmentContent + "</segment>"), state, laps);
  EXPECT_EQ(laps.Count(), 1);
  LapDataRecord lap;
  laps.GetLap(0, lap);
  if (stateOut) *stateOut = state;
  return lap;
}

TEST(SegmentReader, LapFields) {
  struct Case {
    const char* Summary;
    std::function<double(const LapDataRecord&)> Get;
    double Expected;
  };
  const auto maxSpeed = [](const LapDataRecord& l) { return double(l.MaxSpeed); };
  const auto avgSpeed = [](const LapDataRecord& l) { return double(l.AvgSpeed); };
  const auto avgPower = [](const LapDataRecord& l) { return double(l.AvgPower); };
  const auto maxPower = [](const LapDataRecord& l) { return double(l.MaxPower); };
  const auto dist = [](const LapDataRecord& l) { return double(l.Distance); };
  const auto maxCad = [](const LapDataRecord& l) { return double(l.MaxCadence); };
  const auto avgCad = [](const LapDataRecord& l) { return double(l.AvgCadence); };
  const auto maxHr = [](const LapDataRecord& l) { return double(l.MaxHeartRate); };
  const auto avgHr = [](const LapDataRecord& l) { return double(l.AvgHeartRate); };
  const auto endOffset = [](const LapDataRecord& l) { return double(l.EndOffset); };
  const auto duration = [](const LapDataRecord& l) { return double(l.Duration); };
  const Case cases[] = {
      {"<spd max=\"10\" avg=\"5\"/>", maxSpeed, 36.0},
      {"<spd max=\"10\" avg=\"5\"/>", avgSpeed, 18.0},
      {"<spd max=\"2.7777\"/>", maxSpeed, 9.99972},         // not rounded in a lap
      {"<pwr avg=\"199.5\" max=\"300.9\"/>", avgPower, 199},
      {"<pwr avg=\"199.5\" max=\"300.9\"/>", maxPower, 300},
      {"<dist>1000</dist>", dist, 1.0},
      {"<DIST>1000</DIST>", dist, 0.0},                      // only the exact lower-case name
      {"<Dist>1000</Dist>", dist, 0.0},
      {"<cad max=\"110.5\" avg=\"85.9\"/>", maxCad, 110},
      {"<cad max=\"110.5\" avg=\"85.9\"/>", avgCad, 85},
      {"<HR max=\"170\" avg=\"150\"/>", maxHr, 170},
      {"<hr max=\"170\"/>", avgHr, 0},
      {"<beginning>600</beginning><duration>300</duration>", endOffset, 900},
      {"<beginning>600</beginning><duration>300</duration>", duration, 300},
      {"<duration>300</duration><beginning>600</beginning>", endOffset, 300},
      {"<duration>300</duration><beginning>600</beginning>", duration, -300},
      {"<beginning>600</beginning>", endOffset, 0},
      {"<beginning>600</beginning>", duration, -600},
      {"<duration>12.75</duration>", endOffset, 12.75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Summary);
    EXPECT_DOUBLE_EQ(c.Get(Lap(std::string("<summarydata>") + c.Summary + "</summarydata>")), c.Expected);
  }
}

TEST(SegmentReader, EndTimeOfDayCountsFromTheWorkoutStart) {
  const DateTime eight = EncodeDate(2016, 5, 24) + EncodeTime(8, 0, 0, 0);
  LapDataRecord lap = Lap("<summarydata><beginning>600</beginning><duration>300</duration></summarydata>", eight);
  EXPECT_EQ(V(lap.EndOffset), 900.0);
  EXPECT_EQ(V(lap.Duration), 300.0);
  EXPECT_EQ(V(lap.EndTimeOfDay), 29700);
  // Not wrapped at midnight.
  const DateTime late = EncodeDate(2016, 5, 24) + EncodeTime(23, 0, 0, 0);
  lap = Lap("<summarydata><duration>7200.9</duration></summarydata>", late);
  EXPECT_EQ(V(lap.EndTimeOfDay), 23 * 3600 + 7200);
  // Before any start is known the lap counts from midnight.
  lap = Lap("<summarydata><duration>60</duration></summarydata>");
  EXPECT_EQ(V(lap.EndTimeOfDay), 60);
  // Absurd offsets keep low bits without overflow.
  lap = Lap("<summarydata><duration>1e300</duration></summarydata>", eight);
  EXPECT_EQ(V(lap.EndTimeOfDay), 28799);  // low 32 bits of (2^63 - 1) + 28800
}

TEST(SegmentReader, CaloriesAndEmptySegments) {
  ImportState state;
  LapDataRecord lap = Lap("<extension><calories>120.7</calories></extension>", 0.0, &state);
  EXPECT_EQ(V(lap.Calories), 120);
  EXPECT_EQ(state.SegmentCaloriesTotal, 120u);

  lap = Lap("<extension><CALORIES>70000</CALORIES></extension>", 0.0, &state);
  EXPECT_EQ(V(lap.Calories), 70000 - 65536);
  EXPECT_EQ(state.SegmentCaloriesTotal, 70000u - 65536u);

  // Only a name: zero but for its kind.
  lap = Lap("<name>Lap 1</name>");
  LapDataRecord expected;
  std::memset(&expected, 0, sizeof expected);
  expected.LapKind = 2;
  EXPECT_EQ(std::memcmp(&lap, &expected, sizeof lap), 0);

  // A nested segment or summarydata elsewhere is not read.
  lap = Lap("<segment><summarydata><dist>5</dist></summarydata></segment><x><summarydata><dist>5</dist></summarydata></x>");
  EXPECT_EQ(V(lap.Distance), 0.0);
}

TEST(SegmentReader, EachSegmentAppendsOneLapAndAddsItsCalories) {
  ImportState state;
  LapStore laps;
  ReadSegment(WorkoutChild("<segment><extension><calories>100</calories></extension></segment>"), state, laps);
  ReadSegment(WorkoutChild("<segment/>"), state, laps);
  ReadSegment(WorkoutChild("<segment><extension><calories>150</calories></extension></segment>"), state, laps);
  EXPECT_EQ(laps.Count(), 3);
  EXPECT_EQ(state.SegmentCaloriesTotal, 250u);
}

}  // namespace
}  // namespace tessaly
