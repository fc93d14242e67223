#include "exercise/lap_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace tessaly {
namespace {

struct Sample {
  std::int32_t timeoffset = 0;
  double alt = 0, spd = 0;
  std::uint8_t hr = 0, cad = 0;
  double pwr = 0, dist = 0;
};

void Fill(SampleStore& store, const std::vector<Sample>& samples) {
  for (std::size_t k = 0; k < samples.size(); ++k) {
    const auto i = static_cast<std::int32_t>(k);
    const Sample& s = samples[k];
    store.SetTimeOffset(i, s.timeoffset);
    store.SetAlt(i, s.alt);
    store.SetSpd(i, s.spd);
    store.SetHr(i, s.hr);
    store.SetCad(i, s.cad);
    store.SetPwr(i, s.pwr);
    store.SetDist(i, s.dist);
  }
}

LapDataRecord Lap(double endOffset, double duration = 0) {
  LapDataRecord lap;
  std::memset(&lap, 0, sizeof lap);
  lap.EndOffset = endOffset;
  lap.Duration = duration;
  return lap;
}

LapDataRecord Get(const LapStore& laps, std::int32_t j) {
  LapDataRecord lap;
  laps.GetLap(j, lap);
  return lap;
}

// The records are packed: fields are read by value (double{lap.X}), never bound by reference.
bool SameBytes(const LapDataRecord& a, const LapDataRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Samples one second apart with the given altitudes, everything else zero.
std::vector<Sample> Altitudes(const std::vector<double>& alts) {
  std::vector<Sample> out;
  for (std::size_t k = 0; k < alts.size(); ++k) {
    Sample s;
    s.timeoffset = static_cast<std::int32_t>(k);
    s.alt = alts[k];
    out.push_back(s);
  }
  return out;
}

TEST(DeriveLapStatistics, AltitudeHysteresis) {
  const struct {
    std::string name;
    std::vector<double> alts;
    std::int32_t ahFactor;
    double ascent, descent;
  } cases[] = {
      {"one metre steps add up once past the threshold", {100, 101, 102, 103}, 2, 3, 0},
      {"exactly the threshold neither counts nor moves", {100, 102, 100}, 2, 0, 0},
      {"down past the threshold, then back within it", {100, 97, 95, 99}, 2, 0, 3},
      {"up and down", {100, 110, 104, 104.6}, 2, 10, 6},
      {"rounding of the step, halves away", {100, 102.5, 99.9}, 2, 3, 3},
      {"no threshold counts every change", {100, 101, 102, 103}, 0, 3, 0},
      {"no threshold, up and down", {100, 102, 100}, 0, 2, 2},
      {"first sample is its own reference", {250, 250, 250}, 2, 0, 0},
      {"a larger threshold", {100, 104, 106}, 5, 6, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SampleStore samples;
    Fill(samples, Altitudes(c.alts));
    LapStore laps;
    laps.Add(Lap(static_cast<double>(c.alts.size() - 1)));
    EXPECT_EQ(DeriveLapStatistics(samples, laps, c.ahFactor), 1);
    const LapDataRecord lap = Get(laps, 0);
    EXPECT_EQ(double{lap.Ascent}, c.ascent);
    EXPECT_EQ(double{lap.Descent}, c.descent);
  }
}

TEST(DeriveLapStatistics, AveragesAndMaxima) {
  SampleStore samples;
  Fill(samples, {
                    {0, 0, 10.0, 0, 0, 0.0, 0.0},
                    {1, 0, 25.5, 120, 80, 250.9, 0.5},
                    {2, 0, 20.0, 140, 91, 301.6, 1.0},
                });
  LapStore laps;
  laps.Add(Lap(2, 180));
  DeriveLapStatistics(samples, laps, 2);
  const LapDataRecord lap = Get(laps, 0);
  EXPECT_EQ(lap.AvgHeartRate, 130);  // the zero heart rate stays out
  EXPECT_EQ(lap.MaxHeartRate, 140);
  EXPECT_EQ(lap.AvgCadence, 85);     // (80 + 91) / 2, zero left out
  EXPECT_EQ(lap.MaxCadence, 91);
  EXPECT_EQ(double{lap.AvgPower}, 183.0);    // (0 + 250 + 301) / 3, zero counted
  EXPECT_EQ(double{lap.MaxPower}, 301.0);
  EXPECT_EQ(double{lap.MaxSpeed}, 25.5);
  EXPECT_EQ(double{lap.TotalDistance}, 1.0);
  EXPECT_EQ(double{lap.Distance}, 1.0);
  EXPECT_DOUBLE_EQ(double{lap.AvgSpeed}, 20.0);  // 1 km in 180 s
}

TEST(DeriveLapStatistics, SharedCursorAndAltitudeReference) {
  // Lap 0 ends at second 2, lap 1 at second 5. Lap 1 starts its altitude reference at the sample
  // that ended lap 0 (101), so 103 does not pass 101 + 2; from sample 0 (100) it would.
  SampleStore samples;
  Fill(samples, {
                    {0, 100, 0, 100, 0, 0, 0.1},
                    {1, 100, 0, 110, 0, 0, 0.2},
                    {2, 101, 0, 120, 0, 0, 0.3},
                    {3, 103, 0, 150, 0, 0, 0.4},
                    {4, 103, 0, 160, 0, 0, 0.5},
                    {5, 103, 0, 170, 0, 0, 0.7},
                });
  LapStore laps;
  laps.Add(Lap(2.9));  // the integer part counts: ends at second 2
  laps.Add(Lap(5));
  EXPECT_EQ(DeriveLapStatistics(samples, laps, 2), 2);
  const LapDataRecord first = Get(laps, 0), second = Get(laps, 1);
  EXPECT_EQ(first.AvgHeartRate, 110);
  EXPECT_EQ(first.MaxHeartRate, 120);
  EXPECT_EQ(second.AvgHeartRate, 160);
  EXPECT_EQ(second.MaxHeartRate, 170);
  EXPECT_EQ(double{first.Ascent}, 0.0);
  EXPECT_EQ(double{second.Ascent}, 0.0);
  EXPECT_DOUBLE_EQ(double{first.TotalDistance}, 0.3);
  EXPECT_DOUBLE_EQ(double{second.TotalDistance}, 0.7);
  EXPECT_DOUBLE_EQ(double{second.Distance}, 0.7 - 0.3);
}

TEST(DeriveLapStatistics, EveryLapTakesAtLeastItsEndingSample) {
  // Both laps end at second 1: the second one takes the next sample, already past its end.
  SampleStore samples;
  Fill(samples, {{0, 0, 0, 100, 0, 0, 0}, {1, 0, 0, 110, 0, 0, 0}, {2, 0, 0, 150, 0, 0, 0}, {3, 0, 0, 200, 0, 0, 0}});
  LapStore laps;
  laps.Add(Lap(1));
  laps.Add(Lap(1));
  laps.Add(Lap(0));
  DeriveLapStatistics(samples, laps, 2);
  EXPECT_EQ(Get(laps, 0).AvgHeartRate, 105);
  EXPECT_EQ(Get(laps, 1).AvgHeartRate, 150);
  EXPECT_EQ(Get(laps, 2).AvgHeartRate, 200);
}

TEST(DeriveLapStatistics, TheLapTheSamplesRunOutInEndsAtTheLastSample) {
  SampleStore samples;
  Fill(samples, {{0, 100, 5, 100, 0, 200, 0.1}, {1, 110, 6, 110, 0, 200, 0.2}, {2, 110, 4, 120, 0, 0, 0.3}});
  const struct {
    std::vector<double> ends;  // each lap's EndOffset
    std::string expected;      // each lap's heart rate, metres and ascent, or "read": as the file gave it
  } cases[] = {
      {{3}, "110 300 10"},
      {{0, 4}, "100 100 0; 115 200 10"},
      {{1, 5, 6}, "105 200 10; 120 100 0; read"},
      {{2, 7, 1}, "110 300 10; read; read"},  // every lap after one that took no sample
  };
  for (const auto& c : cases) {
    LapStore laps;
    for (double end : c.ends) laps.Add(Lap(end, 10));
    EXPECT_EQ(DeriveLapStatistics(samples, laps, 2), laps.Count());
    std::string got;
    for (std::int32_t j = 0; j < laps.Count(); ++j) {
      const LapDataRecord lap = Get(laps, j);
      got += (j == 0 ? "" : "; ") + (SameBytes(lap, Lap(c.ends[static_cast<std::size_t>(j)], 10))
                                         ? std::string("read")
                                         : std::to_string(lap.AvgHeartRate) + " " + std::to_string(std::lround(lap.Distance * 1000)) +
                                               " " + std::to_string(std::lround(lap.Ascent)));
    }
    EXPECT_EQ(got, c.expected);
  }
}

TEST(DeriveLapStatistics, EmptySampleStoreLeavesLapsAlone) {
  SampleStore samples;
  LapStore laps;
  const LapDataRecord lap = Lap(0, 0);
  laps.Add(lap);
  laps.Add(lap);
  EXPECT_EQ(DeriveLapStatistics(samples, laps, 2), 2);
  EXPECT_TRUE(SameBytes(Get(laps, 0), lap));
  EXPECT_TRUE(SameBytes(Get(laps, 1), lap));
  LapStore none;
  EXPECT_EQ(DeriveLapStatistics(samples, none, 2), 0);
}

TEST(DeriveLapStatistics, ValuesFromTheFileAreKept) {
  SampleStore samples;
  Fill(samples, {{0, 100, 30, 150, 90, 300, 1.0}, {1, 120, 40, 160, 100, 400, 2.0}});
  LapDataRecord lap = Lap(1, 3600);
  lap.Distance = 5.0;
  lap.TotalDistance = 6.0;
  lap.MaxHeartRate = 190;
  lap.AvgHeartRate = 180;
  lap.MaxSpeed = 50;
  lap.AvgSpeed = 12.5;  // distance and duration would give 5
  lap.MaxCadence = 110;
  lap.AvgCadence = 105;
  lap.MaxPower = 500;
  lap.AvgPower = 450;
  lap.Ascent = 7;
  lap.Descent = 8;
  lap.Reserved91[3] = 0xAB;
  LapStore laps;
  laps.Add(lap);
  DeriveLapStatistics(samples, laps, 2);
  EXPECT_TRUE(SameBytes(Get(laps, 0), lap));
}

TEST(DeriveLapStatistics, FillOrderAndDistanceReadBack) {
  // Lap 0 brings its own TotalDistance (0.9, not the samples' 1.0); lap 1's distance is counted
  // from that value, and its average speed from the distance just filled. Lap 2 counts from the
  // TotalDistance this pass filled for lap 1, and has no duration. Lap 3 brings its distance.
  SampleStore samples;
  Fill(samples, {{0, 0, 0, 0, 0, 0, 0.5}, {10, 0, 0, 0, 0, 0, 1.0}, {20, 0, 0, 0, 0, 0, 2.0},
                 {30, 0, 0, 0, 0, 0, 3.0}, {40, 0, 0, 0, 0, 0, 4.0}});
  LapDataRecord lap0 = Lap(10, 360);
  lap0.TotalDistance = 0.9;
  LapDataRecord lap3 = Lap(40, 360);
  lap3.Distance = 2.0;
  LapStore laps;
  laps.Add(lap0);
  laps.Add(Lap(20, 360));
  laps.Add(Lap(30, 0));
  laps.Add(lap3);
  DeriveLapStatistics(samples, laps, 2);
  const LapDataRecord a = Get(laps, 0), b = Get(laps, 1), c = Get(laps, 2), d = Get(laps, 3);
  EXPECT_EQ(double{a.TotalDistance}, 0.9);
  EXPECT_EQ(double{a.Distance}, 1.0);                // the first lap takes the distance at its end
  EXPECT_DOUBLE_EQ(double{a.AvgSpeed}, 10.0);        // 1 km in 360 s
  EXPECT_EQ(double{b.TotalDistance}, 2.0);
  EXPECT_DOUBLE_EQ(double{b.Distance}, 2.0 - 0.9);
  EXPECT_DOUBLE_EQ(double{b.AvgSpeed}, 11.0);        // 1.1 km in 360 s
  EXPECT_DOUBLE_EQ(double{c.Distance}, 3.0 - 2.0);
  EXPECT_EQ(double{c.AvgSpeed}, 0.0);                // no duration
  EXPECT_EQ(double{d.Distance}, 2.0);
  EXPECT_EQ(double{d.TotalDistance}, 4.0);
  EXPECT_DOUBLE_EQ(double{d.AvgSpeed}, 20.0);        // 2 km in 360 s
}

TEST(DeriveLapStatistics, NoHeartRateOrCadenceLeavesTheirAveragesAlone) {
  SampleStore samples;
  Fill(samples, {{0, 0, -3.0, 0, 0, 0, 0}, {1, 0, -1.0, 0, 0, 0, 0}});
  LapStore laps;
  laps.Add(Lap(1));
  DeriveLapStatistics(samples, laps, 2);
  const LapDataRecord lap = Get(laps, 0);
  EXPECT_EQ(lap.AvgHeartRate, 0);
  EXPECT_EQ(lap.MaxHeartRate, 0);
  EXPECT_EQ(lap.AvgCadence, 0);
  EXPECT_EQ(double{lap.MaxSpeed}, 0.0);  // the maximum starts at zero
  EXPECT_EQ(double{lap.AvgPower}, 0.0);
}

TEST(DeriveLapStatistics, ExtremePowerValuesAreSafe) {
  SampleStore samples;
  Fill(samples, {{0, 0, 0, 0, 0, 1e300, 0}, {1, 0, 0, 0, 0, std::numeric_limits<double>::quiet_NaN(), 0},
                 {2, 0, 0, 0, 0, 3.0, 0}});
  LapStore laps;
  laps.Add(Lap(2));
  DeriveLapStatistics(samples, laps, 2);
  const LapDataRecord lap = Get(laps, 0);
  EXPECT_EQ(double{lap.MaxPower}, 65535.0);  // low bits of the saturated value
  EXPECT_EQ(double{lap.AvgPower}, 0.0);      // (-1 + 0 + 3) / 3
}

TEST(WorkoutClimb, TheLapsRuleOverTheWholeWorkout) {
  // Samples a second apart; laps end at the given seconds. From one reference over the whole
  // workout, the first case would count 100 to 103; lap by lap it counts nothing.
  const struct {
    std::vector<double> alts, ends;
    std::int64_t ascent, descent;
  } cases[] = {
      {{100, 100, 101, 103, 103, 103}, {2, 5}, 0, 0},  // the second lap starts from 101, not 100
      {{100, 101, 102, 103}, {}, 3, 0},                 // no laps: one stretch
      {{100, 100, 101, 104, 104, 90}, {2}, 3, 14},      // after the last lap, from 101 on
      {{100, 110, 120}, {0, 9, 9}, 20, 0},              // the samples run out in the second lap
  };
  for (const auto& c : cases) {
    SampleStore samples;
    Fill(samples, Altitudes(c.alts));
    LapStore laps;
    for (const double end : c.ends) laps.Add(Lap(end));
    const Climb climb = WorkoutClimb(samples, laps, 2);
    EXPECT_EQ(climb.Ascent, c.ascent);
    EXPECT_EQ(climb.Descent, c.descent);
  }
}

TEST(ComputeCadencePowerTotals, WholeWorkoutCountsZeros) {
  const struct {
    std::string name;
    std::vector<Sample> samples;
    CadencePowerTotals expected;
  } cases[] = {
      {"cadence with a zero", {{0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 80, 0, 0}, {2, 0, 0, 0, 90, 0, 0}}, {90, 0, 56, 0}},
      {"power with a zero", {{0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 250.9, 0}, {2, 0, 0, 0, 0, 301.6, 0}}, {0, 301, 0, 183}},
      {"empty", {}, {0, 0, 0, 0}},
      {"negative power", {{0, 0, 0, 0, 0, -5.5, 0}, {1, 0, 0, 0, 0, 11.0, 0}}, {0, 11, 0, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SampleStore samples;
    Fill(samples, c.samples);
    const CadencePowerTotals t = ComputeCadencePowerTotals(samples);
    EXPECT_EQ(t.MaxCadence, c.expected.MaxCadence);
    EXPECT_EQ(t.MaxPower, c.expected.MaxPower);
    EXPECT_EQ(t.AvgCadence, c.expected.AvgCadence);
    EXPECT_EQ(t.AvgPower, c.expected.AvgPower);
  }
}

}  // namespace
}  // namespace tessaly
