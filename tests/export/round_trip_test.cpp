// What an export writes, imported again, gives back the workout to the precision the document
// carries: on the real device files and on workouts made here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "exercise/lap_statistics.h"
#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"
#include "test_support.h"
#include "util/conversions.h"
#include "util/number_format.h"
#include "util/number_text.h"
#include "util/sport_types.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::HostSample;
using test::PushSample;

// Half a unit of the last decimal each value is written with, in the store's units.
constexpr double kSpeedKmh = 0.0005 * 3.6 + 1e-9;  // "%.3f" m/s
constexpr double kDistanceKm = 0.005 / 1000 + 1e-12;  // "%.2f" m
constexpr double kDegrees = 0.0000005 + 1e-12;        // "%.6f"
constexpr double kTemperature = 0.05 + 1e-9;          // "%.1f"
constexpr double kSeconds = 0.0005 + 1e-9;            // "%.3f"

// Failures recorded in the running test so far.
int Failures() { return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

// How the reader takes back a written value that it truncates.
double WrittenThenTruncated(double v, int decimals) {
  const std::optional<double> back = ParseReal(FormatFixed(v, decimals));
  return back ? static_cast<double>(TruncateToInt64(*back)) : 0.0;
}

// Exports a, imports the file into b.
void ExportAndImport(PluginState& a, PluginState& b, const std::string& name) {
  const std::string target = test::TempDir() + "/round-trip-" + name;
  ASSERT_EQ(ExportDatas(a, target.c_str()), 1);
  b.HostVersion = 700;
  const std::string written = target + ".pwx";
  ASSERT_EQ(AnalyseExercise(b, written.c_str()), a.Samples.Count()) << written;
}

// a: what was exported (after the export's own changes to Comment and StartTime); b: the import
// of the document. fromImport: a itself came from an import, so the lap values the reader derives
// from the samples are in a too and must come back the same.
void ExpectSameWorkout(const PluginState& a, const PluginState& b, bool fromImport) {
  const LogSummaryRecord sa = a.Summary;
  const LogSummaryRecord sb = b.Summary;
  const TMyHRMDatas& xa = a.Samples;
  const TMyHRMDatas& xb = b.Samples;
  const CadencePowerTotals totals = ComputeCadencePowerTotals(xa);

  // Summary.
  EXPECT_LT(std::fabs(+sb.StartTime - +sa.StartTime) * 86400.0, 1.0);
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
  // The document names the sport in the host's numbering; the reader has its own.
  EXPECT_EQ(sb.SportType, SportCodeFromPwxText(PwxTextFromSportCode(sa.SportType)).value_or(1));
  EXPECT_EQ(+sb.LapCount, a.Laps.Count());
  if (fromImport) {
    EXPECT_EQ(+sb.SampleInterval, +sa.SampleInterval);
  }
  EXPECT_EQ(b.Comment, a.Comment);

  // Samples.
  ASSERT_EQ(xb.Count(), xa.Count());
  const bool withPower = totals.AvgPower != 0;
  const int failuresBefore = Failures();  // one failing sample is enough to tell
  for (std::int32_t i = 0; i < xa.Count() && Failures() == failuresBefore; ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    EXPECT_EQ(xb.GetTimeOffset(i), xa.GetTimeOffset(i));
    EXPECT_EQ(xb.GetHr(i), xa.GetHr(i));
    EXPECT_NEAR(xb.GetSpd(i), xa.GetSpd(i), kSpeedKmh);
    EXPECT_EQ(xb.GetCad(i), xa.GetCad(i));
    EXPECT_NEAR(xb.GetDist(i), xa.GetDist(i), kDistanceKm);
    // A position the workout lacks is written as 0, which the reader takes for "as before".
    const auto position = [&](double written, double previous) {
      return FormatFixed(written, 6) == FormatFixed(0.0, 6) && i > 0 ? previous : written;
    };
    EXPECT_NEAR(xb.GetLat(i), position(xa.GetLat(i), i > 0 ? xb.GetLat(i - 1) : 0.0), kDegrees);
    EXPECT_NEAR(xb.GetLon(i), position(xa.GetLon(i), i > 0 ? xb.GetLon(i - 1) : 0.0), kDegrees);
    EXPECT_EQ(xb.GetAlt(i), WrittenThenTruncated(xa.GetAlt(i), 2));
    EXPECT_NEAR(xb.GetTemp(i), xa.GetTemp(i), kTemperature);
    const double te[] = {xa.GetTorqueEffectivenessLeft(i), xa.GetTorqueEffectivenessRight(i),
                         xa.GetPedalSmoothnessLeft(i), xa.GetPedalSmoothnessRight(i)};
    const double back[] = {xb.GetTorqueEffectivenessLeft(i), xb.GetTorqueEffectivenessRight(i),
                           xb.GetPedalSmoothnessLeft(i), xb.GetPedalSmoothnessRight(i)};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(back[k], te[k] > 0.0 ? static_cast<double>(TruncateToInt64(te[k])) : 0.0);
    if (withPower) {
      EXPECT_NEAR(xb.GetPwr(i), xa.GetPwr(i), 0.5 + 1e-9);
      // The document carries the right pedal's share in percent, which the reader takes for the
      // right pedal's watts and turns into a left share of its own. It divides in extended
      // precision, so an exact half may round either way here.
      const std::int32_t right = PedalBalanceToRightShare(xa.GetPwrRight(i));
      const double p = xb.GetPwr(i);
      if (right <= 0) {
        EXPECT_EQ(xb.GetPwrRight(i), right);
      } else if (p != 0.0) {
        EXPECT_NEAR(xb.GetPwrRight(i), RoundHalfAway((p - right) / p * 100.0), 1.0);
      }
    } else {
      EXPECT_EQ(xb.GetPwr(i), 0.0);
      EXPECT_EQ(xb.GetPwrRight(i), 0.0);
    }
    EXPECT_EQ(xb.GetSampleText(i), "");
    EXPECT_EQ(xb.GetSampleByte(i), 0);
  }

  // Laps.
  ASSERT_EQ(b.Laps.Count(), a.Laps.Count());
  for (std::int32_t j = 0; j < a.Laps.Count(); ++j) {
    SCOPED_TRACE("lap " + std::to_string(j));
    LapDataRecord la, lb;
    a.Laps.GetLap(j, la);
    b.Laps.GetLap(j, lb);
    EXPECT_NEAR(+lb.Duration, +la.Duration, kSeconds);
    EXPECT_NEAR(+lb.EndOffset, +la.EndOffset, 2 * kSeconds);
    if (la.Distance > kDistanceKm || fromImport) {
      EXPECT_NEAR(+lb.Distance, +la.Distance, kDistanceKm);
    }
    if ((la.MaxHeartRate > 0 && la.AvgHeartRate > 0) || fromImport) {
      EXPECT_EQ(+lb.MaxHeartRate, +la.MaxHeartRate);
      EXPECT_EQ(+lb.AvgHeartRate, +la.AvgHeartRate);
    }
    if ((la.MaxSpeed > 0 && la.AvgSpeed > 0) || fromImport) {
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
      EXPECT_NEAR(+lb.EndTimeOfDay, +la.EndTimeOfDay, 1);
    }
    EXPECT_EQ(+lb.Calories, 0) << "a lap's calories have no place in the document";
    EXPECT_EQ(+lb.LapKind, 2);
  }
}

PluginState MadeHere() {
  PluginState s = test::FreshState();
  s.Comment = "Tempo\r\nwith 3 & 4 < 5 > 2";
  s.UserName = "Anna";
  LogSummaryRecord& m = s.Summary;
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
  for (std::int32_t i = 0; i < 9; ++i) {
    const double t = i;
    PushSample(s, i,
               {.TimeOffset = 5 * i, .HeartRate = static_cast<std::uint8_t>(120 + 5 * i), .Speed = 25.0 + t * 1.37,
                .Distance = 0.0351 * t + (i > 0 ? 0.00012345 : 0.0), .Power = 150.0 + 17.3 * t,
                .PowerBalance = i % 2 ? 47.0 : 180.0, .Cadence = static_cast<std::uint8_t>(80 + i),
                .Latitude = 46.9 + 0.0001234567 * t, .Longitude = 7.4 - 0.0000987654 * t, .Altitude = 540.66 + t,
                .Temperature = 18.04 + 0.11 * t, .TorqueEffectivenessLeft = i % 3 ? 70.7 : 0.0,
                .PedalSmoothnessRight = 21.2});
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
}

TEST(RoundTrip, EveryRealDeviceFileComesBackToTheDocumentsPrecision) {
  const std::string dir = test::PwxSamplesDir();
  if (dir.empty()) GTEST_SKIP() << "no folder of real PWX files next to the project";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".pwx") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    PluginState a;
    a.HostVersion = 700;
    const std::string path = file.generic_string();
    const std::int32_t count = AnalyseExercise(a, path.c_str());
    ASSERT_GT(count, 0) << "the original does not import";
    PluginState b;
    const int failuresBefore = Failures();
    ExportAndImport(a, b, file.stem().string());
    if (Failures() != failuresBefore) continue;
    ExpectSameWorkout(a, b, true);
  }
}

}  // namespace
}  // namespace tessaly
