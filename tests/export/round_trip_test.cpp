// What an export writes, imported again, gives back the workout to the precision the document
// carries: on the real device files, on the import fixtures and on workouts made here.
//
// Counts (samples, laps) and the start time, to the second the document shows, come back the
// same. What may come back different, and why:
// - sampletext, samplebyte: the document has no place for them; they come back empty and 0.
// - spd, dist: a value so large that its conversion to m/s or metres overflows is written as 0.
// - alt: the reader keeps whole metres, so the written value comes back truncated.
// - pedal figures: written as whole numbers, and only above 0.
// - pwr: a workout whose powers all stay below 1 W is written without power; it comes back 0.
// - pedal balance: the document carries the right pedal's whole watts, RoundHalfAway(P * s / 100)
//   with P the written power and s the right share, from which the reader takes the left share
//   again. Half a watt of rounding is 50 / P percentage points, plus the reader's own rounding:
//   within 1 point from 34 W on, within 2 from 20 W on. A balance of 0 or less, one on a sample
//   whose written power is 0 or less, and one whose right share lies outside 1 to 99 % (a pedal
//   at 0 W reads as no balance) come back as no value.
// - lat, lon: a sample whose latitude and longitude are both 0 has no position and comes back so;
//   one of them alone written as 0 reads back as the last one the reader stored.
// - comment: CR LF pairs become spaces, for good; characters XML forbids are left out.
// - start time: written to the second; a start of 0 becomes the time of the export.
// - summary: heart rate and speed come back only when both maximum and average were given; the
//   distance is the larger of the summary's and the last sample's, as the reader makes it.
// - laps: values the document leaves out come back as the reader derives them; calories never.
//   A lap that a file gave before its start time (a second workout's start) had its end's time
//   of day counted from midnight; the document gives the start first.
// - schema: a document is checked against the PWX schema only where every position lies on the
//   globe and every power fits its 16-bit number; the writer keeps even extreme values as stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document_check.h"
#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"
#include "pwx_import/document_reader.h"
#include "test_support.h"
#include "util/conversions.h"
#include "util/date_time.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::PushSample;

// Half a unit of the last decimal each value is written with, in the store's units.
constexpr double kSpeedKmh = 0.0005 * 3.6 + 1e-9;     // "%.3f" m/s
constexpr double kDistanceKm = 0.005 / 1000 + 1e-12;  // "%.2f" m
constexpr double kDegrees = 0.0000005 + 1e-12;        // "%.6f"
constexpr double kTemperature = 0.05 + 1e-9;          // "%.1f"
constexpr double kSeconds = 0.0005 + 1e-9;            // "%.3f"
constexpr double kWatts = 0.5 + 1e-9;                 // "%.0f"

// Failures recorded in the running test so far.
int Failures() { return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

// v without its fraction, at most 2^63 in magnitude: what the reader keeps of a whole number.
double WholeNumber(double v) { return std::clamp(std::trunc(v), -9223372036854775808.0, 9223372036854775808.0); }

// How the reader takes back a value written with 2 or 3 decimals that it truncates to a whole one.
// (A tie at the first decimal cut never carries into the whole part, so the C++ library's own
// rounding gives the same text as the writer's rule here.)
double WrittenThenTruncated(double v, int decimals) {
  char text[400];
  char* const end = std::to_chars(text, text + sizeof text, std::isfinite(v) ? v : 0.0,
                                  std::chars_format::fixed, decimals).ptr;
  return WholeNumber(std::strtod(std::string(text, end).c_str(), nullptr));
}

// Whether every position lies on the globe and every power fits the schema's 16-bit number; a
// fixture made of extreme numbers does not.
bool WithinSchemaRanges(const SampleStore& x) {
  for (std::int32_t i = 0; i < x.Count(); ++i) {
    if (!(std::fabs(x.GetLat(i)) <= 90.0 && std::fabs(x.GetLon(i)) <= 180.0)) return false;
    if (!(std::fabs(x.GetPwr(i)) <= 32767.0)) return false;
  }
  return true;
}

// Exports a, imports the file into b; the written document must also pass the schema.
void ExportAndImport(PluginState& a, PluginState& b, const std::string& name) {
  const std::string target = test::TempDir() + "/round-trip-" + name;
  ASSERT_EQ(ExportDatas(a, target.c_str()), 1);
  const std::string written = target + ".pwx";
  ASSERT_EQ(ImportPwxFile(b, written.c_str()), PwxReadOutcome::Imported) << written;
  if (test::SchemaUnavailableReason().empty() && WithinSchemaRanges(a.Workout.Samples)) {
    EXPECT_EQ(test::SchemaProblems(test::ReadFile(written)), "");
  }
}

// value / 1000 when value, the first step to PWX units, is still a number; 0 when it is not.
double Representable(double value) { return std::isfinite(value) ? value / 1000.0 : 0.0; }

// A date and time to the second it is written with: the millisecond rounded first, then cut.
double WholeSeconds(DateTime t) { return std::trunc(std::round(t * 86400000.0) / 1000.0); }

// a: what was exported (after the export's own changes to Comment and StartTime); b: the import
// of the document. fromImport: a itself came from an import, so the lap values the reader derives
// from the samples are in a too and must come back the same.
void ExpectSameWorkout(const PluginState& a, const PluginState& b, bool fromImport) {
  const LogSummaryRecord sa = a.Workout.Summary;
  const LogSummaryRecord sb = b.Workout.Summary;
  const SampleStore& xa = a.Workout.Samples;
  const SampleStore& xb = b.Workout.Samples;

  // Counts and start.
  ASSERT_EQ(xb.Count(), xa.Count());
  ASSERT_EQ(b.Workout.Laps.Count(), a.Workout.Laps.Count());
  EXPECT_EQ(+sb.LapCount, a.Workout.Laps.Count());
  EXPECT_EQ(WholeSeconds(sb.StartTime), WholeSeconds(sa.StartTime));

  // Summary.
  EXPECT_EQ(+sb.Duration, +sa.Duration);
  const bool hr = sa.MaxHeartRate > 0 && sa.AvgHeartRate > 0;
  EXPECT_EQ(+sb.MaxHeartRate, hr ? +sa.MaxHeartRate : 0);
  EXPECT_EQ(+sb.AvgHeartRate, hr ? +sa.AvgHeartRate : 0);
  const bool spd = sa.MaxSpeed > 0 && sa.AvgSpeed > 0;
  EXPECT_EQ(+sb.MaxSpeed, spd ? +sa.MaxSpeed : 0);
  EXPECT_EQ(+sb.AvgSpeed, spd ? +sa.AvgSpeed : 0);
  const double lastDistance = xb.Count() > 1 ? xb.GetDist(xb.Count() - 1) : 0.0;
  EXPECT_NEAR(+sb.Distance, std::max<double>(+sa.Distance, lastDistance), kDistanceKm);
  EXPECT_EQ(+sb.Ascent, +sa.Ascent);
  EXPECT_EQ(+sb.Descent, +sa.Descent);
  EXPECT_EQ(+sb.Calories, +sa.Calories);
  if (fromImport) {
    EXPECT_EQ(+sb.SampleInterval, +sa.SampleInterval);
  }
  std::string comment = a.Workout.Comment;  // without the controls XML forbids
  std::erase_if(comment, [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r'; });
  EXPECT_EQ(b.Workout.Comment, comment);

  // Samples.
  bool withPower = false;
  double maxPower = 0.0, powerSum = 0.0;  // whole watts
  for (std::int32_t i = 0; i < xa.Count(); ++i) {
    withPower = withPower || xa.GetPwr(i) >= 1.0;
    maxPower = std::max(maxPower, std::trunc(xa.GetPwr(i)));
    powerSum += std::trunc(xa.GetPwr(i));
  }
  if (!withPower) {
    EXPECT_EQ(b.Workout.SummaryMaxPower, 0);
    EXPECT_EQ(b.Workout.SummaryAvgPower, 0);
  } else if (WithinSchemaRanges(xa)) {  // powers that fit 16 bits, whose sum is exact
    EXPECT_EQ(b.Workout.SummaryMaxPower, maxPower);
    EXPECT_EQ(b.Workout.SummaryAvgPower, static_cast<std::uint16_t>(static_cast<std::int64_t>(powerSum / xa.Count())));
  }
  double lastLat = 0.0, lastLon = 0.0;  // what the reader puts in for a latitude or longitude of 0
  const int failuresBefore = Failures();  // one failing sample is enough to tell
  for (std::int32_t i = 0; i < xa.Count() && Failures() == failuresBefore; ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    EXPECT_EQ(xb.GetTimeOffset(i), xa.GetTimeOffset(i));
    EXPECT_EQ(xb.GetHr(i), xa.GetHr(i));
    EXPECT_NEAR(xb.GetSpd(i), Representable(xa.GetSpd(i) * 1000.0), kSpeedKmh);
    EXPECT_EQ(xb.GetCad(i), xa.GetCad(i));
    EXPECT_NEAR(xb.GetDist(i), Representable(xa.GetDist(i) * 1000.0), kDistanceKm);
    if (xa.GetLat(i) == 0.0 && xa.GetLon(i) == 0.0) {
      EXPECT_EQ(xb.GetLat(i), 0.0);
      EXPECT_EQ(xb.GetLon(i), 0.0);
    } else {
      const auto back = [](double written, double last) { return std::fabs(written) < 0.0000005 ? last : written; };
      EXPECT_NEAR(xb.GetLat(i), back(xa.GetLat(i), lastLat), kDegrees);
      EXPECT_NEAR(xb.GetLon(i), back(xa.GetLon(i), lastLon), kDegrees);
      lastLat = xb.GetLat(i);
      lastLon = xb.GetLon(i);
    }
    EXPECT_EQ(xb.GetAlt(i), WrittenThenTruncated(xa.GetAlt(i), 2));
    EXPECT_NEAR(xb.GetTemp(i), xa.GetTemp(i), kTemperature);
    const double figures[] = {xa.GetTorqueEffectivenessLeft(i), xa.GetTorqueEffectivenessRight(i),
                              xa.GetPedalSmoothnessLeft(i), xa.GetPedalSmoothnessRight(i)};
    const double figuresBack[] = {xb.GetTorqueEffectivenessLeft(i), xb.GetTorqueEffectivenessRight(i),
                                  xb.GetPedalSmoothnessLeft(i), xb.GetPedalSmoothnessRight(i)};
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(figuresBack[k], figures[k] > 0.0 ? WholeNumber(figures[k]) : 0.0);
    }
    if (!withPower) {
      EXPECT_EQ(xb.GetPwr(i), 0.0);
      EXPECT_EQ(xb.GetPwrRight(i), 0.0);
    } else {
      EXPECT_NEAR(xb.GetPwr(i), xa.GetPwr(i), kWatts);
      const double p = xb.GetPwr(i);  // the whole watts the document carries
      const std::int32_t right = PedalBalanceToRightShare(xa.GetPwrRight(i));
      if (p > 0.0 && right >= 1 && right <= 99) {
        EXPECT_LE(std::fabs(xb.GetPwrRight(i) - (100 - right)), 50.0 / p + 0.5 + 1e-9) << p << " W";
      } else {
        EXPECT_LE(xb.GetPwrRight(i), 0.0) << "no value";
      }
    }
    EXPECT_EQ(xb.GetSampleText(i), "");
    EXPECT_EQ(xb.GetSampleByte(i), 0);
  }

  // Laps.
  for (std::int32_t j = 0; j < a.Workout.Laps.Count(); ++j) {
    SCOPED_TRACE("lap " + std::to_string(j));
    LapDataRecord la, lb;
    a.Workout.Laps.GetLap(j, la);
    b.Workout.Laps.GetLap(j, lb);
    EXPECT_NEAR(+lb.Duration, +la.Duration, kSeconds);
    EXPECT_NEAR(+lb.EndOffset, +la.EndOffset, 2 * kSeconds);
    if (la.Distance > kDistanceKm || fromImport) {
      EXPECT_NEAR(+lb.Distance, +la.Distance, kDistanceKm);
    }
    if ((la.MaxHeartRate > 0 && la.AvgHeartRate > 0) || fromImport) {
      EXPECT_EQ(+lb.MaxHeartRate, +la.MaxHeartRate);
      EXPECT_EQ(+lb.AvgHeartRate, +la.AvgHeartRate);
    }
    // A speed too large to be written in m/s is written as 0, and the reader fills it anew.
    if (((la.MaxSpeed > 0 && la.AvgSpeed > 0) || fromImport) && std::isfinite(la.MaxSpeed * 1000.0)) {
      EXPECT_NEAR(+lb.MaxSpeed, +la.MaxSpeed, kSpeedKmh);
      EXPECT_NEAR(+lb.AvgSpeed, +la.AvgSpeed, kSpeedKmh);
    }
    if ((la.MaxCadence > 0 && la.AvgCadence > 0) || fromImport) {
      EXPECT_EQ(+lb.MaxCadence, +la.MaxCadence);
      EXPECT_EQ(+lb.AvgCadence, +la.AvgCadence);
    }
    if (la.MaxPower > 0 && la.AvgPower > 0) {
      EXPECT_EQ(+lb.MaxPower, WrittenThenTruncated(+la.MaxPower, 3));
      EXPECT_EQ(+lb.AvgPower, WrittenThenTruncated(+la.AvgPower, 3));
    } else if (fromImport) {
      EXPECT_EQ(+lb.MaxPower, +la.MaxPower);
      EXPECT_EQ(+lb.AvgPower, +la.AvgPower);
    }
    if (fromImport) {
      EXPECT_NEAR(+lb.TotalDistance, +la.TotalDistance, kDistanceKm);
      EXPECT_EQ(+lb.Ascent, +la.Ascent);
      EXPECT_EQ(+lb.Descent, +la.Descent);
      // A lap the file gave before its start time counted its end from midnight; the document
      // gives the start first.
      const std::int32_t start = SecondsOfDay(sa.StartTime);
      const bool beforeStart = start != 0 && la.EndTimeOfDay == TruncateToInt32(la.EndOffset);
      EXPECT_NEAR(+lb.EndTimeOfDay, beforeStart ? la.EndTimeOfDay + start : +la.EndTimeOfDay, 1);
    }
    EXPECT_EQ(+lb.Calories, 0) << "a lap's calories have no place in the document";
    EXPECT_EQ(+lb.LapKind, 2);
  }
}

// A ride with a stretch without position, pedal balance at low and high power, and texts that
// need escaping or hold characters XML forbids.
PluginState MadeHere() {
  PluginState s = test::FreshState();
  s.Workout.Comment = "Tempo\r\nwith 3 & 4 < 5 > 2\x01";
  s.Workout.UserName = "Anna";
  LogSummaryRecord& m = s.Workout.Summary;
  m.Duration = 40;
  m.Calories = 120;
  m.MaxHeartRate = 166;
  m.AvgHeartRate = 141;
  m.Distance = 0.3;
  m.MaxSpeed = 389;
  m.AvgSpeed = 271;
  m.Ascent = 12;
  m.Descent = 3;
  m.SportType = 0;
  // Power and balance: 20 W at left 48 % comes back as 50 % (10 W on the right); 0 W and a
  // balance of 0 come back as no value.
  const double power[] = {150.0, 20.0, 25.0, 33.4, 0.0, 412.7, 19.0, 260.2, 180.0};
  const double balance[] = {180.0, 48.0, 52.0, 49.0, 47.0, 0.0, 61.0, 100.0, 47.0};
  for (std::int32_t i = 0; i < 9; ++i) {
    const double t = i;
    const bool noPosition = i == 4 || i == 5;  // a tunnel
    PushSample(s, i,
               {.TimeOffset = 5 * i, .HeartRate = static_cast<std::uint8_t>(120 + 5 * i), .Speed = 25.0 + t * 1.37,
                .Distance = 0.0351 * t + (i > 0 ? 0.00012345 : 0.0), .Power = power[i], .PowerBalance = balance[i],
                .Cadence = static_cast<std::uint8_t>(80 + i),
                .Latitude = noPosition ? 0.0 : 46.9 + 0.0001234567 * t,
                .Longitude = noPosition ? 0.0 : (i == 7 ? 0.0000004 : 7.4 - 0.0000987654 * t),
                .Altitude = 540.66 + t, .Temperature = 18.04 + 0.11 * t,
                .TorqueEffectivenessLeft = i % 3 ? 70.7 : 0.0, .PedalSmoothnessRight = 21.2,
                .SampleText = "lost", .SampleByte = 3});
  }
  LapDataRecord lap1 = test::MakeLap(20, 20, 0.15);
  lap1.MaxHeartRate = 140;
  lap1.AvgHeartRate = 130;
  lap1.MaxSpeed = 30.5;
  lap1.AvgSpeed = 27.0;
  lap1.MaxPower = 219;
  lap1.AvgPower = 184;
  lap1.MaxCadence = 84;
  lap1.AvgCadence = 82;
  lap1.Calories = 60;
  SetLapDatasEx(s, lap1);
  SetLapDatasEx(s, test::MakeLap(40, 20, 0.1));  // values left for the reader to derive
  return s;
}

TEST(RoundTrip, AWorkoutMadeHereComesBackToTheDocumentsPrecision) {
  PluginState a = MadeHere();
  PluginState b;
  ExportAndImport(a, b, "made-here");
  if (HasFatalFailure()) return;
  ExpectSameWorkout(a, b, false);
  // The cases named in the workout, written out.
  EXPECT_EQ(b.Workout.Samples.GetPwrRight(1), 50.0);
  EXPECT_EQ(b.Workout.Samples.GetPwrRight(2), 52.0);
  EXPECT_EQ(b.Workout.Samples.GetPwrRight(4), 0.0);
  EXPECT_EQ(b.Workout.Samples.GetPwrRight(7), 0.0);
  EXPECT_EQ(b.Workout.Samples.GetLat(5), 0.0);
  EXPECT_EQ(b.Workout.Comment, "Tempo with 3 & 4 < 5 > 2");
}

TEST(RoundTrip, OneBurstOfPowerInAWorkoutOfZerosComesBack) {
  // 150 W over 200 samples: a whole-workout average of 0 W.
  PluginState a = test::FreshState();
  for (std::int32_t i = 0; i < 200; ++i) PushSample(a, i, {.TimeOffset = i, .Power = i == 6 ? 150.0 : 0.0});
  PluginState b;
  ExportAndImport(a, b, "burst");
  if (HasFatalFailure()) return;
  ExpectSameWorkout(a, b, false);
  EXPECT_EQ(b.Workout.Samples.GetPwr(6), 150.0);
  EXPECT_EQ(b.Workout.SummaryMaxPower, 150);
}

// Every PWX file of a folder that imports, through export and import again.
void RoundTripEveryFileIn(const std::string& dir, const char* label) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".pwx") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  int roundTrips = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    PluginState a;
    const std::string path = file.generic_string();
    if (ImportPwxFile(a, path.c_str()) != PwxReadOutcome::Imported) continue;  // made not to import
    a.HostVersion = 700;
    PluginState b;
    const int failuresBefore = Failures();
    ExportAndImport(a, b, std::string(label) + "-" + file.stem().string());
    if (Failures() != failuresBefore) continue;
    ExpectSameWorkout(a, b, true);
    ++roundTrips;
  }
  EXPECT_GT(roundTrips, 0);
}

TEST(RoundTrip, EveryRealDeviceFileComesBackToTheDocumentsPrecision) {
  const std::string dir = test::PwxSamplesDir();
  if (dir.empty()) GTEST_SKIP() << "no folder of real PWX files next to the project (../shared/pwx-samples)";
  RoundTripEveryFileIn(dir, "device");
}

TEST(RoundTrip, EveryImportFixtureComesBackToTheDocumentsPrecision) {
  RoundTripEveryFileIn(test::DataDir() + "/import", "fixture");
}

}  // namespace
}  // namespace tessaly
