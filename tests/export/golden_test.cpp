// Whole documents compared byte for byte with the ones kept in tests/data/golden. After a change
// that is meant to alter the output, run with TESSALY_UPDATE_GOLDEN=1 to write them anew, and
// review the difference before committing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "document_check.h"
#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"
#include "test_support.h"

namespace tessaly {
namespace {

using test::HostSample;
using test::PushSample;

PluginState FullWorkout() {
  PluginState s = test::FreshState();
  s.Workout.UserName = "Anna & Bo <Team>";
  s.Workout.Comment = "Hill repeats\r\nfelt strong\ttoday";
  LogSummaryRecord& m = s.Workout.Summary;
  m.Duration = 1205;
  m.Calories = 431;
  m.MaxHeartRate = 171;
  m.AvgHeartRate = 148;
  m.Distance = 8.04213;
  m.MaxSpeed = 452;  // tenths of km/h
  m.AvgSpeed = 241;
  m.Ascent = 187;
  m.Descent = 185;
  m.SportType = 6;
  m.MaxAltitude = 999;  // not written
  m.LapCount = 2;       // not written: the lap store counts
  const HostSample samples[] = {
      {.TimeOffset = 0, .HeartRate = 95, .Speed = 0, .Distance = 0, .Power = 0, .PowerBalance = 0, .Cadence = 0,
       .Latitude = 47.3769081, .Longitude = 8.5417002, .Altitude = 408, .Temperature = 14.5},
      {.TimeOffset = 5, .HeartRate = 131, .Speed = 21.6, .Distance = 0.03, .Power = 180.4, .PowerBalance = 48,
       .Cadence = 84, .Latitude = 47.3771, .Longitude = 8.54201, .Altitude = 409, .Temperature = 14.55,
       .TorqueEffectivenessLeft = 71.9, .TorqueEffectivenessRight = 68.2, .PedalSmoothnessLeft = 22.5,
       .PedalSmoothnessRight = 19.99},
      {.TimeOffset = 10, .HeartRate = 150, .Speed = 45.2, .Distance = 0.0928, .Power = 412.5, .PowerBalance = 181,
       .Cadence = 101, .Latitude = -0.0000004, .Longitude = -179.9999995, .Altitude = -2.5, .Temperature = -0.04},
      {.TimeOffset = 15, .HeartRate = 171, .Speed = 38.123456, .Distance = 0.146, .Power = 0.9, .PowerBalance = 300,
       .Cadence = 255, .Latitude = 47.378, .Longitude = 8.543, .Altitude = 411.75, .Temperature = 15,
       .SampleText = "never written", .SampleByte = 7},
  };
  for (std::int32_t i = 0; i < 4; ++i) PushSample(s, i, samples[i]);
  LapDataRecord lap1 = test::MakeLap(7.5, 7.5, 0.061);
  lap1.MaxHeartRate = 150;
  lap1.AvgHeartRate = 125;
  lap1.MaxSpeed = 45.2;
  lap1.AvgSpeed = 29.28;
  lap1.MaxPower = 412;
  lap1.AvgPower = 197.6;
  lap1.MaxCadence = 101;
  lap1.AvgCadence = 92;
  LapDataRecord lap2 = test::MakeLap(1205, 1197.5, 7.98113);
  lap2.MaxHeartRate = 171;
  lap2.AvgHeartRate = 160;
  SetLapDatasEx(s, lap1);
  SetLapDatasEx(s, lap2);
  return s;
}

PluginState EmptyWorkout() {
  PluginState s = test::FreshState();
  s.Workout.Summary.SportType = 1;
  return s;
}

PluginState NoPowerWorkout() {
  PluginState s = test::FreshState();
  s.Workout.Summary.StartTime = EncodeDate(2024, 1, 3) + EncodeTime(7, 5, 9, 0);
  s.Workout.Summary.SportType = 3;
  s.Workout.Summary.MaxHeartRate = 160;  // no average: no heart-rate line
  s.Workout.Summary.Duration = 30;
  s.Workout.Summary.Distance = 0.1;
  s.Workout.Comment = "Walk to work";
  for (std::int32_t i = 0; i < 3; ++i) {
    PushSample(s, i, {.TimeOffset = 10 * i, .HeartRate = static_cast<std::uint8_t>(100 + i), .Speed = 5.0,
                      .Distance = 0.0139 * i, .Power = 0.4, .Altitude = 12});
  }
  return s;
}

TEST(GoldenDocuments, MatchByteForByte) {
  struct Case {
    const char* file;
    PluginState (*make)();
  };
  const Case cases[] = {
      {"full-workout.pwx", FullWorkout},
      {"empty-workout.pwx", EmptyWorkout},
      {"no-power-workout.pwx", NoPowerWorkout},
  };
  const char* update = std::getenv("TESSALY_UPDATE_GOLDEN");
  const bool regenerate = update != nullptr && std::string(update) == "1";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    PluginState s = c.make();
    const std::string doc = test::Document(s);
    const std::string path = test::DataDir() + "/golden/" + c.file;
    if (regenerate) {
      test::WriteFile(path, doc);
      std::printf("rewrote %s\n", path.c_str());
      continue;
    }
    std::string expected;
    ASSERT_NO_THROW(expected = test::ReadFile(path)) << "run with TESSALY_UPDATE_GOLDEN=1 to create it";
    EXPECT_EQ(doc, expected);
  }
}

}  // namespace
}  // namespace tessaly
