// Real device-recorded PWX files (read from the shared folder, never copied into the project).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "import_test_support.h"
#include "plugin/plugin_core.h"

namespace tessaly {
namespace {

using test::V;

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

struct DeviceFile {
  const char* Name;
  int Samples;  // those with a reading (all when none has one)
  int Laps;
  int SportType;
  int StartDay;       // the file's local start date, days since 1899-12-30
  int StartSecond;    // and its time of day, s
  int Duration;
};

const DeviceFile kFiles[] = {
    {"10kUNLP2014-Garmin15.pwx", 686, 11, 2, 41923, 15 * 3600 + 8 * 60 + 45, 2223},
    {"Finis_Swimsense_2014_08_05_06_09_24.pwx", 284, 29, 6, 41856, 6 * 3600 + 9 * 60 + 24, 4193},
    {"IpBike_902.pwx", 3071, 0, 3, 42380, 7 * 3600 + 7 * 60 + 32, 3070},
    {"Timex20100618201200_1.pwx", 1070, 13, 2, 40347, 20 * 3600 + 12 * 60 + 0, 2171},
    {"Timex_Global_Trainer_5Laps.pwx", 300, 5, 3, 40430, 17 * 3600 + 53 * 60 + 21, 606},
    {"Timex_Run_Trainer_2013_01_01_08_22_52.pwx", 1191, 1, 2, 41275, 8 * 3600 + 22 * 60 + 52, 2381},
    {"argmac_Garmin_FR910XT_2015_01_31_10_17_02.pwx", 160, 8, 6, 42035, 10 * 3600 + 17 * 60 + 2, 2297},
    {"example.pwx", 338, 0, 3, 42226, 11 * 3600 + 54 * 60 + 33, 16904},
    {"lgulseth_Timex_Global_Trainer_2013_03_28_11_50_25.pwx", 1464, 6, 2, 41361, 11 * 3600 + 50 * 60 + 25, 3112},
    {"short_file.pwx", 2, 1, 3, 41883, 20 * 3600 + 0 * 60 + 0, 1},
    {"test_ride.pwx", 105, 1, 3, 41114, 18 * 3600 + 8 * 60 + 53, 253},
};

class DeviceFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::PwxSamplesDir();
    if (dir_.empty()) GTEST_SKIP() << "the shared folder of device PWX files is absent";
  }
  std::string Path(const char* name) const { return dir_ + "/" + name; }
  std::string dir_;
};

TEST_F(DeviceFiles, EveryFileImportsWithItsSamplesLapsAndStart) {
  for (const DeviceFile& f : kFiles) {
    SCOPED_TRACE(f.Name);
    const std::string path = Path(f.Name);
    const std::string text = test::ReadFile(path);
    ASSERT_EQ(Occurrences(text, "<segment>"), static_cast<std::size_t>(f.Laps));

    auto state = std::make_unique<PluginState>();
    ASSERT_EQ(AnalyseExercise(*state, path.c_str()), f.Samples);
    LogSummaryRecord s;
    ASSERT_TRUE(GetLogSummaryEx(*state, &s));
    EXPECT_EQ(V(s.LapCount), f.Laps);
    EXPECT_EQ(state->Workout.Laps.Count(), f.Laps);
    EXPECT_EQ(V(s.SportType), f.SportType);
    EXPECT_EQ(V(s.Duration), f.Duration);
    EXPECT_DOUBLE_EQ(V(s.StartTime), f.StartDay + f.StartSecond / 86400.0);
    EXPECT_DOUBLE_EQ(V(s.EndTime), f.StartDay + (f.StartSecond + f.Duration) / 86400.0);
    EXPECT_EQ(V(s.Reserved67), 0);
    // The distance never goes back, and the summary's is at least the last sample's.
    for (std::int32_t i = 1; i < f.Samples; ++i) {
      ASSERT_GE(state->Workout.Samples.GetDist(i), state->Workout.Samples.GetDist(i - 1)) << "sample " << i;
    }
    EXPECT_GE(V(s.Distance), state->Workout.Samples.GetDist(f.Samples - 1));
    for (std::int32_t j = 0; j < f.Laps; ++j) {
      LapDataRecord lap;
      EXPECT_EQ(GetLapDatasEx(*state, j, &lap), 0);
      EXPECT_EQ(V(lap.LapKind), 2) << "lap " << j;
    }
  }
}

TEST_F(DeviceFiles, PedalBalanceAndSummaryPowers) {
  auto state = std::make_unique<PluginState>();
  ASSERT_EQ(AnalyseExercise(*state, Path("IpBike_902.pwx").c_str()), 3071);
  // pwr 1 with pwrright 0 has no balance; 221 W with 134 W on the right is 39 % on the left.
  const double expected[] = {0, 0, 0, 0, 39, 44, 45, 47};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(state->Workout.Samples.GetPwrRight(i), expected[i]) << "sample " << i;
  EXPECT_EQ(state->Workout.SummaryAvgPower, 224);
  EXPECT_EQ(state->Workout.SummaryMaxPower, 670);
  EXPECT_EQ(state->Workout.Comment, "21.390km with 142m climb in 0:50:44\r\nIpBike Version 1.8.6");
  EXPECT_EQ(V(state->Workout.Summary.MaxSpeed), 520);  // 14.435273 m/s
  EXPECT_EQ(V(state->Workout.Summary.Ascent), 142);
  EXPECT_EQ(V(state->Workout.Summary.SampleInterval), 1);
  EXPECT_DOUBLE_EQ(V(state->Workout.Summary.Distance), 21.39);
  EXPECT_EQ(state->Workout.Samples.GetTimeOffset(3069), 3070);
  EXPECT_EQ(state->Workout.Samples.GetTimeOffset(3070), 3070);  // repeated offsets stay
}

TEST_F(DeviceFiles, GpsDistanceFillWhereTheFileHasNone) {
  auto state = std::make_unique<PluginState>();
  ASSERT_EQ(AnalyseExercise(*state, Path("Timex_Global_Trainer_5Laps.pwx").c_str()), 300);
  // Law-of-cosines steps between the first four positions, worked to 40 digits elsewhere.
  const double exact[] = {0.0, 0.002015814431976739, 0.005432399741391172, 0.010326632433268159};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(state->Workout.Samples.GetDist(i), exact[i], exact[i] * 1e-5) << "sample " << i;
  EXPECT_GT(state->Workout.Samples.GetDist(299), 5.0);
  LapDataRecord first;
  state->Workout.Laps.GetLap(0, first);
  EXPECT_GT(V(first.Distance), 1.5);  // filled by the lap statistics from the filled distances
}

TEST_F(DeviceFiles, AClosingStatusSampleIsNoRowAtAltitudeZero) {
  // Altitudes between 1098 and 1121 m; the last sample holds only the device's status.
  auto state = std::make_unique<PluginState>();
  ASSERT_EQ(AnalyseExercise(*state, Path("test_ride.pwx").c_str()), 105);
  LapDataRecord lap;
  state->Workout.Laps.GetLap(0, lap);
  EXPECT_LT(V(lap.Descent), 100.0);
}

}  // namespace
}  // namespace tessaly
