// The store-only calls and the metadata exports, on a plug-in state of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/plugin_core.h"
#include "test_support.h"

namespace tessaly {
namespace {

TEST(TextOut, CopiesAtMostCapacityCharactersAndAZero) {
  struct Case {
    std::uint32_t capacity;
    std::string written;  // bytes before the untouched rest; "" means nothing written
  };
  const Case cases[] = {
      {7, std::string("Tessaly\0", 8)},
      {1, std::string("T\0", 2)},
      {0, ""},
      {65536, ""},                                 // low 16 bits are 0
      {65536 + 3, std::string("Tes\0", 4)},        // only the low 16 bits count
      {100, std::string("Tessaly Import/Export\0", 22)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    std::vector<char> buffer(64, '#');
    CopyTextOut(kDeviceName, buffer.data(), c.capacity);
    EXPECT_EQ(std::string(buffer.data(), c.written.size()), c.written);
    EXPECT_EQ(buffer[c.written.size()], '#');
  }
  CopyTextOut(kDeviceName, nullptr, 10);  // a null buffer is harmless
}

TEST(ValidRawExtension, ExactDotPwxWithAnyNonZeroCapacity) {
  struct Case {
    const char* ext;
    std::uint32_t capacity;
    bool valid;
  };
  const Case cases[] = {{".pwx", 1, true},  {".pwx", 200, true}, {".PWX", 4, false}, {"pwx", 4, false},
                        {".pwx", 0, false}, {".pwx", 65536, false}, {nullptr, 4, false}, {".pwx ", 5, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ext ? c.ext : "(null)") + " " + std::to_string(c.capacity));
    EXPECT_EQ(ValidRawExtension(c.ext, c.capacity), c.valid);
  }
}

TEST(HasPwxExtension, LastDotOfTheFileNameInAnyCase) {
  struct Case {
    const char* path;
    bool pwx;
  };
  const Case cases[] = {{"ride.pwx", true},          {"C:\\Data\\ride.PWX", true}, {"ride.Pwx", true},
                        {"ride.pwx.bak", false},     {"ride", false},             {"C:\\my.pwx\\ride", false},
                        {"/home/a.pwx/ride", false}, {".pwx", true},              {"ride.pwxx", false},
                        {"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(HasPwxExtension(c.path), c.pwx);
  }
}

TEST(GetComment, ReturnsTheFullLengthWhateverIsCopied) {
  PluginState s;
  s.Workout.Comment = std::string(40, 'c');
  EXPECT_EQ(GetComment(s, nullptr, 100), 40);
  char buffer[16];
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(GetComment(s, buffer, 10), 40);
  EXPECT_EQ(std::string(buffer, 11), std::string(10, 'c') + '\0');
  EXPECT_EQ(buffer[11], '#');
}

TEST(VersionGate, RefusesHostsBelow505) {
  struct Case {
    std::int32_t version;
    std::uint16_t offered;
  };
  for (const Case& c : {Case{0, 0}, Case{504, 0}, Case{505, 1}, Case{700, 1}}) {
    SCOPED_TRACE(c.version);
    PluginState s;
    s.HostVersion = c.version;
    test::TakeNotices();
    EXPECT_EQ(PassesVersionGate(s), c.offered == 1);
    EXPECT_EQ(GetExerciseNumberFromRawFile(s, "no/such/folder/ride.pwx"), c.offered);
    const std::string target = test::TempDir() + "/gate-" + std::to_string(c.version);
    std::filesystem::remove(target + ".pwx");
    EXPECT_EQ(ExportDatas(s, (target + ".tmp").c_str()), c.offered);
    EXPECT_EQ(std::filesystem::exists(target + ".pwx"), c.offered == 1);
    // One notice per refusal, from the plug-in by name, pointing to the version needed.
    const std::vector<test::RecordedNotice> notices = test::TakeNotices();
    ASSERT_EQ(notices.size(), c.offered == 1 ? 0u : 3u);
    for (const test::RecordedNotice& n : notices) {
      EXPECT_EQ(n.Caption, "Tessaly Import/Export Plugin");
      EXPECT_EQ(n.Text,
                "This version of Tessaly Import/Export needs a newer training log: "
                "please update the application to version 5.05 or later.");
    }
  }
  PluginState s;
  s.HostVersion = 505;
  EXPECT_EQ(GetExerciseNumberFromRawFile(s, "ride.txt"), 0);
}

TEST(LogSummary, ComesBackAsExactly95BytesOnlyWhenThereAreSamples) {
  PluginState s;
  LogSummaryRecord in;
  for (std::size_t i = 0; i < sizeof(in); ++i) reinterpret_cast<std::uint8_t*>(&in)[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_TRUE(SetLogSummaryEx(s, in));
  std::uint8_t out[96];
  std::memset(out, 0xAB, sizeof(out));
  EXPECT_FALSE(GetLogSummaryEx(s, reinterpret_cast<LogSummaryRecord*>(out))) << "no samples yet";
  EXPECT_EQ(out[0], 0xAB);
  s.Workout.Samples.SetHr(0, 1);
  EXPECT_TRUE(GetLogSummaryEx(s, reinterpret_cast<LogSummaryRecord*>(out)));
  EXPECT_EQ(std::memcmp(out, &in, 95), 0);
  EXPECT_EQ(out[95], 0xAB);
}

ExerciseDataRecord FilledSample() {
  ExerciseDataRecord r;
  std::memset(&r, 0x5A, sizeof(r));
  r.HeartRate = 140;
  r.Distance = 1.5;
  r.Speed = 30.25;
  r.Altitude = 312;
  r.Temperature = 21.5;
  r.Power = 250;
  r.PowerBalance = 183;
  r.Cadence = 92;
  r.Latitude = 50.1;
  r.Longitude = 8.7;
  std::memset(r.SampleText, 0, sizeof(r.SampleText));
  std::strcpy(r.SampleText, "note");
  r.TimeOffset = 65;
  r.SampleByte = 7;
  r.SummaryPower = 999;
  r.TorqueEffectivenessLeft = 71;
  r.TorqueEffectivenessRight = 72;
  r.PedalSmoothnessLeft = 23;
  r.PedalSmoothnessRight = 24;
  return r;
}

TEST(SampleRecords, EveryFieldTravelsAndReservedBytesStayTheHosts) {
  PluginState s;
  const ExerciseDataRecord in = FilledSample();
  ASSERT_TRUE(SetExerciseDatasEx(s, 3, in));
  EXPECT_EQ(s.Workout.Samples.Count(), 4);
  std::vector<std::uint8_t> buffer(sizeof(ExerciseDataRecord), 0xC3);
  auto* out = reinterpret_cast<ExerciseDataRecord*>(buffer.data());
  ASSERT_TRUE(GetExerciseDatasEx(s, 3, out));
  EXPECT_EQ(+out->HeartRate, 140);
  EXPECT_EQ(+out->Distance, 1.5);
  EXPECT_EQ(+out->Speed, 30.25);
  EXPECT_EQ(+out->Altitude, 312);
  EXPECT_EQ(+out->Temperature, 21.5);
  EXPECT_EQ(+out->Power, 250);
  EXPECT_EQ(+out->PowerBalance, 183);
  EXPECT_EQ(+out->Cadence, 92);
  EXPECT_EQ(+out->Latitude, 50.1);
  EXPECT_EQ(+out->Longitude, 8.7);
  EXPECT_STREQ(out->SampleText, "note");
  EXPECT_EQ(+out->SampleText[255], 0) << "the rest of the text field is zero-filled";
  EXPECT_EQ(+out->TimeOffset, 65);
  EXPECT_EQ(+out->SampleByte, 7);
  EXPECT_EQ(+out->TorqueEffectivenessLeft, 71);
  EXPECT_EQ(+out->TorqueEffectivenessRight, 72);
  EXPECT_EQ(+out->PedalSmoothnessLeft, 23);
  EXPECT_EQ(+out->PedalSmoothnessRight, 24);
  for (auto [from, to] : {std::pair{25, 33}, std::pair{335, 601}, std::pair{601, 605}, std::pair{605, 613}, std::pair{645, 660}}) {
    for (int i = from; i < to; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(buffer[static_cast<std::size_t>(i)], 0xC3);
    }
  }
  // Samples below the written index read as zeros and empty texts.
  ASSERT_TRUE(GetExerciseDatasEx(s, 0, out));
  EXPECT_EQ(+out->HeartRate, 0);
  EXPECT_EQ(+out->SampleText[0], 0);
}

TEST(SampleRecords, SampleTextOfAll256BytesHasNoTerminator) {
  PluginState s;
  ExerciseDataRecord in = FilledSample();
  std::memset(in.SampleText, 'q', 256);
  ASSERT_TRUE(SetExerciseDatasEx(s, 0, in));
  EXPECT_EQ(s.Workout.Samples.GetSampleText(0), std::string(256, 'q'));
  ExerciseDataRecord out;
  std::memset(&out, 0, sizeof(out));
  ASSERT_TRUE(GetExerciseDatasEx(s, 0, &out));
  EXPECT_EQ(std::string(out.SampleText, 256), std::string(256, 'q'));
  EXPECT_EQ(+out.TimeOffset, 65) << "the text did not run into the next field";

  in.SampleText[0] = '\0';
  ASSERT_TRUE(SetExerciseDatasEx(s, 0, in));
  EXPECT_EQ(s.Workout.Samples.GetSampleText(0), "");

  // A stored text longer than the field is cut to 256 bytes.
  s.Workout.Samples.SetSampleText(1, std::string(300, 'z'));
  ASSERT_TRUE(GetExerciseDatasEx(s, 1, &out));
  EXPECT_EQ(std::string(out.SampleText, 256), std::string(256, 'z'));
}

TEST(SampleRecords, SummaryPowerOnlyAtIndexes5And6WhenPositive) {
  struct Case {
    std::int32_t index, avg, max;
    std::int32_t expected;  // -1: untouched
  };
  const Case cases[] = {{5, 213, 400, 213}, {6, 213, 400, 400}, {4, 213, 400, -1}, {7, 213, 400, -1},
                        {5, 0, 400, -1},    {6, 213, 0, -1},    {5, -3, 400, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << " " << c.avg << " " << c.max);
    PluginState s;
    s.Workout.SummaryAvgPower = c.avg;
    s.Workout.SummaryMaxPower = c.max;
    s.Workout.Samples.SetHr(7, 1);
    ExerciseDataRecord out;
    out.SummaryPower = -1;
    ASSERT_TRUE(GetExerciseDatasEx(s, c.index, &out));
    EXPECT_EQ(+out.SummaryPower, c.expected);
  }
  // SummaryPower from the host is ignored: the imported powers stay and come back unchanged.
  PluginState s;
  s.Workout.SummaryAvgPower = 213;
  s.Workout.SummaryMaxPower = 400;
  const ExerciseDataRecord in = FilledSample();  // SummaryPower 999
  ASSERT_TRUE(SetExerciseDatasEx(s, 5, in));
  ASSERT_TRUE(SetExerciseDatasEx(s, 6, in));
  EXPECT_EQ(s.Workout.SummaryAvgPower, 213);
  EXPECT_EQ(s.Workout.SummaryMaxPower, 400);
  ExerciseDataRecord out;
  ASSERT_TRUE(GetExerciseDatasEx(s, 6, &out));
  EXPECT_EQ(+out.SummaryPower, 400);
}

TEST(SampleRecords, IndexesOutsideTheStoreAreRefusedWithoutTouchingAnything) {
  PluginState s;
  const ExerciseDataRecord in = FilledSample();
  EXPECT_FALSE(SetExerciseDatasEx(s, -1, in));
  EXPECT_FALSE(SetExerciseDatasEx(s, 2147483647, in));
  EXPECT_FALSE(SetExerciseDatasEx(s, SampleStore::MaxIndex + 1, in));
  EXPECT_EQ(s.Workout.Samples.Count(), 0);
  ASSERT_TRUE(SetExerciseDatasEx(s, 10, in));
  EXPECT_EQ(s.Workout.Samples.Count(), 11);
  std::vector<std::uint8_t> buffer(sizeof(ExerciseDataRecord), 0x77);
  auto* out = reinterpret_cast<ExerciseDataRecord*>(buffer.data());
  for (std::int32_t bad : {-1, 11, 5000, 2147483647, -2147483647 - 1}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(GetExerciseDatasEx(s, bad, out));
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(sizeof(ExerciseDataRecord), 0x77));
  }
}

TEST(LapRecords, AppendInArrivalOrderAndComeBackByteForByte) {
  PluginState s;
  LapDataRecord a, b;
  for (std::size_t i = 0; i < sizeof(a); ++i) {
    reinterpret_cast<std::uint8_t*>(&a)[i] = static_cast<std::uint8_t>(i);
    reinterpret_cast<std::uint8_t*>(&b)[i] = static_cast<std::uint8_t>(200 - i);
  }
  EXPECT_TRUE(SetLapDatasEx(s, a));
  EXPECT_TRUE(SetLapDatasEx(s, b));
  EXPECT_TRUE(SetLapDatasEx(s, a));
  ASSERT_EQ(s.Workout.Laps.Count(), 3);
  for (auto [index, expected] : {std::pair{0, &a}, std::pair{1, &b}, std::pair{2, &a}}) {
    SCOPED_TRACE(index);
    std::uint8_t out[108];
    std::memset(out, 0xEE, sizeof(out));
    EXPECT_EQ(GetLapDatasEx(s, index, reinterpret_cast<LapDataRecord*>(out)), 0);
    EXPECT_EQ(std::memcmp(out, expected, 106), 0);
    EXPECT_EQ(out[106], 0xEE);
  }
  std::uint8_t untouched[106];
  std::memset(untouched, 0x11, sizeof(untouched));
  for (std::int32_t bad : {-1, 3, 1000}) {
    EXPECT_EQ(GetLapDatasEx(s, bad, reinterpret_cast<LapDataRecord*>(untouched)), 0);
    EXPECT_EQ(untouched[0], 0x11);
    EXPECT_EQ(untouched[105], 0x11);
  }
}

}  // namespace
}  // namespace tessaly
