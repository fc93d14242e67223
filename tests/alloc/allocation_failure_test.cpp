// Memory running out in the middle of a host's calls. Each call runs again and again with its
// Nth allocation refused, N = 0, 1, 2, ... until a run refuses nothing. Every run must answer the
// call's success or its failure value, never crash or leak, and leave what the host can see as
// documented: a failed import leaves the stores empty, a failed export the old file whole and no
// temporary file, a refused setter the store as it was. A run that succeeds, because a smaller
// request was tried after a refused one, must give exactly what a run without failures gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "failing_allocator.h"
#include "plugin/export_abi.h"
#include "plugin/plugin_state.h"
#include "exercise/records.h"
#include "test_support.h"

using tessaly::ExerciseDataRecord;
using tessaly::HostBool;
using tessaly::LapDataRecord;
using tessaly::LogSummaryRecord;

// The exports, compiled into this program so that they allocate through its allocator.
extern "C" {
HostBool TESSALY_CALL Initialize(std::int32_t, const char*, std::uint32_t);
void TESSALY_CALL SetCVVersion(std::int32_t);
std::int32_t TESSALY_CALL AnalyseExercise(const char*, std::uint32_t);
HostBool TESSALY_CALL GetLogSummaryEx(LogSummaryRecord*);
HostBool TESSALY_CALL GetExerciseDatasEx(std::int32_t, ExerciseDataRecord*);
std::int32_t TESSALY_CALL GetLapDatasEx(std::int32_t, LapDataRecord*);
std::int32_t TESSALY_CALL GetComment(char*, std::uint32_t);
HostBool TESSALY_CALL SetLogSummaryEx(LogSummaryRecord);
HostBool TESSALY_CALL SetExerciseDatasEx(std::int32_t, ExerciseDataRecord);
HostBool TESSALY_CALL SetLapDatasEx(std::uint32_t, LapDataRecord);
void TESSALY_CALL SetComment(const char*);
void TESSALY_CALL SetUser(const char*);
std::int32_t TESSALY_CALL ExportDatas(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                      std::uint32_t, std::uint32_t, const char*, std::uint32_t);
}

namespace {

namespace fs = std::filesystem;
namespace test = tessaly::test;

enum class Failure { From, Only };
const Failure kFailures[] = {Failure::From, Failure::Only};
const char* Name(Failure f) { return f == Failure::From ? "every allocation from the Nth" : "only the Nth"; }

// Far more than any call below makes: a loop that gets here never ends on its own.
constexpr std::int64_t kMaxRuns = 20000;

struct Outcome {
  std::int64_t Asked = 0;     // allocations of the run that refused nothing
  std::int64_t Absorbed = 0;  // runs that had one refused and still succeeded
};

// Runs prepare() without failures, then call() with the Nth allocation refused, then check(answer,
// refused) without failures, for N = 0, 1, ... until a run refuses nothing. check answers whether
// the call succeeded.
template <class Prepare, class Call, class Check>
Outcome ForEachFailure(Failure how, Prepare prepare, Call call, Check check) {
  Outcome run;
  for (std::int64_t n = 0; n < kMaxRuns; ++n) {
    prepare();
    if (how == Failure::From) {
      test::FailFrom(n);
    } else {
      test::FailOnly(n);
    }
    const auto answer = call();
    const std::int64_t asked = test::StopFailing();
    const bool refused = test::Refused() > 0;
    SCOPED_TRACE("allocation " + std::to_string(n) + " refused");
    const bool succeeded = check(answer, refused);
    if (refused && succeeded) ++run.Absorbed;
    if (!refused) {
      run.Asked = asked;
      EXPECT_GT(n, 0) << "the call allocates nothing, so nothing was tested";
      return run;
    }
    if (::testing::Test::HasFailure()) return run;  // one run's faults are enough to read
  }
  ADD_FAILURE() << "still refusing after " << kMaxRuns << " runs";
  return run;
}

// A fresh plug-in, as just loaded by a host of a supported version.
void Load() {
  tessaly::DetachPluginState();
  ASSERT_TRUE(tessaly::AttachPluginState());
  Initialize(2, "", 0);
  SetCVVersion(700);
}

ExerciseDataRecord Sample(std::int32_t offset, double power, const char* text) {
  ExerciseDataRecord r{};
  r.HeartRate = 131;
  r.Distance = 0.25 * offset;
  r.Speed = 27.5;
  r.Altitude = 412.5;
  r.Temperature = 18.5;
  r.Power = power;
  r.PowerBalance = 48;
  r.Cadence = 88;
  r.Latitude = 47.123456;
  r.Longitude = 8.654321;
  std::strncpy(r.SampleText, text, sizeof r.SampleText - 1);
  r.TimeOffset = offset;
  r.TorqueEffectivenessLeft = 71;
  r.PedalSmoothnessRight = 23;
  return r;
}

LapDataRecord Lap(double endOffset) {
  LapDataRecord l{};
  l.EndOffset = endOffset;
  l.Duration = 5;
  l.Distance = 1.25;
  l.MaxHeartRate = 150;
  l.AvgPower = 210;
  return l;
}

bool SameBytes(const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Everything an import hands the host, through the getters, in the order a host asks.
struct Imported {
  std::int32_t Count = 0;
  bool HasSummary = false;
  LogSummaryRecord Summary{};
  std::vector<ExerciseDataRecord> Samples;
  std::vector<LapDataRecord> Laps;
  std::string Comment;
};

Imported Collect(std::int32_t count) {
  Imported got;
  got.Count = count;
  got.HasSummary = GetLogSummaryEx(&got.Summary) != 0;
  for (std::int32_t i = 0; i < count; ++i) {
    ExerciseDataRecord r{};
    EXPECT_EQ(GetExerciseDatasEx(i, &r), 1) << "sample " << i;
    got.Samples.push_back(r);
  }
  for (std::int32_t i = 0; got.HasSummary && i < got.Summary.LapCount; ++i) {
    LapDataRecord l{};
    GetLapDatasEx(i, &l);
    got.Laps.push_back(l);
  }
  char text[256] = {};
  GetComment(text, sizeof text - 1);
  got.Comment = text;
  return got;
}

void ExpectSame(const Imported& got, const Imported& want) {
  ASSERT_EQ(got.Count, want.Count);
  ASSERT_EQ(got.HasSummary, want.HasSummary);
  EXPECT_TRUE(SameBytes(got.Summary, want.Summary));
  ASSERT_EQ(got.Samples.size(), want.Samples.size());
  for (std::size_t i = 0; i < got.Samples.size(); ++i) EXPECT_TRUE(SameBytes(got.Samples[i], want.Samples[i])) << i;
  ASSERT_EQ(got.Laps.size(), want.Laps.size());
  for (std::size_t i = 0; i < got.Laps.size(); ++i) EXPECT_TRUE(SameBytes(got.Laps[i], want.Laps[i])) << i;
  EXPECT_EQ(got.Comment, want.Comment);
}

// Nothing left of any workout: no summary, no sample 0, no lap 0.
void ExpectStoresEmpty() {
  LogSummaryRecord summary;
  std::memset(&summary, 0x5A, sizeof summary);
  const LogSummaryRecord untouched = summary;
  EXPECT_EQ(GetLogSummaryEx(&summary), 0);
  EXPECT_TRUE(SameBytes(summary, untouched));
  ExerciseDataRecord sample{};
  EXPECT_EQ(GetExerciseDatasEx(0, &sample), 0);
  LapDataRecord lap;
  std::memset(&lap, 0x5A, sizeof lap);
  const LapDataRecord lapUntouched = lap;
  GetLapDatasEx(0, &lap);
  EXPECT_TRUE(SameBytes(lap, lapUntouched));
}

const char* const kWorkout =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<pwx xmlns=\"http://www.peaksware.com/PWX/1/0\" version=\"1.0\" creator=\"test\">\n"
    "  <workout>\n"
    "    <athlete><name>Ann</name></athlete>\n"
    "    <sportType>Bike</sportType>\n"
    "    <cmt>Morning loop &amp; hills</cmt>\n"
    "    <device id=\"Unit 7\"><make>Test</make></device>\n"
    "    <time>2016-05-24T10:20:30</time>\n"
    "    <summarydata><beginning>0</beginning><duration>10</duration>"
    "<hr max=\"150\" min=\"100\" avg=\"130\"/><work>12</work><dist>60.5</dist></summarydata>\n"
    "    <segment><name>Lap 1</name><summarydata><beginning>0</beginning><duration>5</duration>"
    "<pwr max=\"260\" avg=\"210\"/></summarydata></segment>\n"
    "    <segment><name>Lap 2</name><summarydata><beginning>5</beginning><duration>5</duration>"
    "</summarydata></segment>\n"
    "    <sample><timeoffset>0</timeoffset><hr>120</hr><spd>7.5</spd><pwr>200</pwr><pwrright>96</pwrright>"
    "<cad>85</cad><dist>0</dist><lat>47.1</lat><lon>8.6</lon><alt>400.5</alt><temp>18</temp></sample>\n"
    "    <sample><timeoffset>5</timeoffset><hr>130</hr><spd>8</spd><pwr>220</pwr><cad>88</cad>"
    "<dist>40.25</dist><alt>401</alt><torque_effectiveness_left>70</torque_effectiveness_left></sample>\n"
    "    <sample><timeoffset>10</timeoffset><hr>140</hr><spd>8.5</spd><pwr>240</pwr><cad>90</cad>"
    "<dist>60.5</dist><alt>402</alt><!-- a comment --><pedal_smoothness_right>21</pedal_smoothness_right>"
    "</sample>\n"
    "    <extension><laps>2</laps><calories>55</calories></extension>\n"
    "  </workout>\n"
    "</pwx>\n";

// The stores as an earlier export left them, larger than a fresh store, so that emptying them
// gives memory back.
void LoadWithEarlierWorkout() {
  Load();
  SetLogSummaryEx(LogSummaryRecord{});
  SetExerciseDatasEx(7000, Sample(7000, 300, "earlier"));
  SetLapDatasEx(0, Lap(7000));
}

TEST(AllocationFailure, ImportEndsWhollyOrEmpty) {
  const std::string path = test::TempDir() + "/workout.pwx";
  test::WriteFile(path, kWorkout);
  LoadWithEarlierWorkout();
  const Imported want = Collect(AnalyseExercise(path.c_str(), 0));
  ASSERT_EQ(want.Count, 3);
  ASSERT_EQ(want.Laps.size(), 2u);

  for (const Failure how : kFailures) {
    SCOPED_TRACE(Name(how));
    const Outcome run = ForEachFailure(
        how, LoadWithEarlierWorkout, [&] { return AnalyseExercise(path.c_str(), 0); },
        [&](std::int32_t count, bool refused) {
          if (refused && count == 0) {
            ExpectStoresEmpty();
          } else {
            ExpectSame(Collect(count), want);
          }
          return count != 0;
        });
    std::printf("import, %s: %lld allocations, %lld refusals absorbed\n", Name(how),
                static_cast<long long>(run.Asked), static_cast<long long>(run.Absorbed));
  }
  tessaly::DetachPluginState();
}

// The workout a host hands over for export; the comment's line break is turned into a space
// for good by the export, so every run starts from here.
void LoadForExport() {
  Load();
  LogSummaryRecord summary{};
  summary.StartTime = 42514.43090277778;  // 2016-05-24 10:20:30
  summary.Duration = 10;
  summary.Calories = 55;
  summary.SportType = 2;
  summary.Distance = 0.5;
  SetLogSummaryEx(summary);
  SetExerciseDatasEx(0, Sample(0, 200, "first"));
  SetExerciseDatasEx(1, Sample(5, 0, ""));
  SetExerciseDatasEx(2, Sample(10, 240, "third"));
  SetLapDatasEx(0, Lap(5));
  SetLapDatasEx(1, Lap(10));
  SetComment("Morning loop\r\n& hills <3");
  SetUser("Ann");
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

TEST(AllocationFailure, ExportWritesWholeFileOrNothing) {
  const std::string folder = test::TempDir() + "/export";
  fs::create_directories(folder);
  const std::string target = folder + "/ride.pwx";
  auto exportTo = [&] { return ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0); };
  LoadForExport();
  ASSERT_EQ(exportTo(), 1);
  const std::string want = test::ReadFile(target);
  ASSERT_NE(want.find("<sample>"), std::string::npos);

  const std::string old = "an older file the host asked to replace";
  for (const Failure how : kFailures) {
    SCOPED_TRACE(Name(how));
    const Outcome run = ForEachFailure(
        how,
        [&] {
          test::WriteFile(target, old);
          LoadForExport();
        },
        exportTo,
        [&](std::int32_t answer, bool refused) {
          EXPECT_EQ(test::ReadFile(target), answer == 1 ? want : old);
          EXPECT_TRUE(answer == 1 || refused);
          EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ride.pwx"});
          return answer == 1;
        });
    std::printf("export, %s: %lld allocations, %lld refusals absorbed\n", Name(how),
                static_cast<long long>(run.Asked), static_cast<long long>(run.Absorbed));
  }
  tessaly::DetachPluginState();
}

// Samples far apart make the store grow by more than its fixed margin and beyond the room it
// reserved (twice what it held); the record and the lap either go in whole or leave the stores as
// they were.
TEST(AllocationFailure, SettersStoreWhollyOrNothing) {
  const ExerciseDataRecord far = Sample(25000, 250, "far");
  const ExerciseDataRecord before = Sample(10000, 240, "before");
  auto prepare = [&] {
    Load();
    SetExerciseDatasEx(5000, Sample(5000, 230, "early"));
    SetExerciseDatasEx(10000, before);
    SetLapDatasEx(0, Lap(5));
  };
  for (const Failure how : kFailures) {
    SCOPED_TRACE(Name(how));
    const Outcome grown = ForEachFailure(
        how, prepare, [&] { return SetExerciseDatasEx(25000, far); },
        [&](HostBool stored, bool refused) {
          EXPECT_TRUE(stored == 1 || refused);
          ExerciseDataRecord got{};
          EXPECT_EQ(GetExerciseDatasEx(25000, &got), stored);
          EXPECT_TRUE(SameBytes(got, stored ? far : ExerciseDataRecord{}));
          EXPECT_EQ(GetExerciseDatasEx(10000, &got), 1);
          EXPECT_TRUE(SameBytes(got, before));
          return stored == 1;
        });
    // The store reserves room ahead of the index; when that is refused, the exact size still is
    // to be had.
    if (how == Failure::Only) {
      EXPECT_GT(grown.Absorbed, 0);
    }
    ForEachFailure(
        how, prepare, [&] { return SetLapDatasEx(0, Lap(10)); },
        [&](HostBool added, bool refused) {
          EXPECT_TRUE(added == 1 || refused);
          LapDataRecord got{};
          GetLapDatasEx(1, &got);
          EXPECT_TRUE(SameBytes(got, added ? Lap(10) : LapDataRecord{}));
          GetLapDatasEx(0, &got);
          EXPECT_TRUE(SameBytes(got, Lap(5)));
          return added == 1;
        });
  }
  tessaly::DetachPluginState();
}

// A summary sent before the samples makes room for as many as its duration announces at its
// interval (a week's worth at most): up to there a sample goes in without another allocation;
// beyond, or without a duration, the store has to grow, and with no memory left it refuses.
TEST(AllocationFailure, TheSummaryMakesRoomForTheSamplesItAnnounces) {
  const struct {
    std::int32_t duration;
    std::uint8_t interval;
    std::int32_t index;
    HostBool stored;
  } cases[] = {
      {86399, 1, 86399, 1},        // a day at 1 s: 86,400 samples, indexes 0 to 86,399
      {86399, 1, 86400, 1},        // room is made for one more: the duration may end on a sample
      {86399, 2, 43200, 1},        // at 2 s: 43,199 whole intervals, room up to index 43,200
      {86399, 2, 43201, 0},
      {0, 1, 86399, 0},            // no duration, no room made
      {86399, 0, 86399, 0},        // no interval
      {2147483647, 1, 604800, 1},  // capped at a week of 1 s samples, 604,800
      {2147483647, 1, 604801, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.duration << " s at " << int{c.interval} << " s, index " << c.index);
    Load();
    LogSummaryRecord summary{};
    summary.Duration = c.duration;
    summary.SampleInterval = c.interval;
    ASSERT_EQ(SetLogSummaryEx(summary), 1);
    test::FailFrom(0);
    const HostBool stored = SetExerciseDatasEx(c.index, Sample(c.index, 200, "x"));
    test::StopFailing();
    EXPECT_EQ(stored, c.stored);
    ExerciseDataRecord got{};
    EXPECT_EQ(GetExerciseDatasEx(c.index, &got), c.stored);
  }
  tessaly::DetachPluginState();
}

}  // namespace
