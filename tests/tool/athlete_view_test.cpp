// What an athlete reads: the text summary's sources, the CSV's units and laps, several pictures in
// one call and the smoothed line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::ReadFile;
using test::RunTessaly;
constexpr auto npos = std::string::npos;

// A run of three samples ten seconds apart and no summary: 12, 10 and 8 km/h (best 3600/12 s =
// 5:00 a km, average 10 km/h = 6:00), heart rate 150 to 170, altitude 100, 103, 101; a comment of
// two lines.
std::string RunWithoutSummary() {
  const std::string path = test::TempDir() + "/run-without-summary.pwx";
  std::string pwx = "<pwx><workout><sportType>Run</sportType><cmt>Easy\nrun</cmt><time>2024-05-01T18:00:00</time>";
  const char* const samples[][4] = {{"0", "150", "3.3333333", "100"}, {"10", "160", "2.7777778", "103"},
                                    {"20", "170", "2.2222222", "101"}};
  for (const auto& s : samples) {
    pwx += std::string("<sample><timeoffset>") + s[0] + "</timeoffset><hr>" + s[1] + "</hr><spd>" + s[2] +
           "</spd><alt>" + s[3] + "</alt></sample>";
  }
  test::WriteFile(path, pwx + "</workout></pwx>\n");
  return path;
}

TEST(TextSummary, SaysWhereEachFigureComesFrom) {
  const struct { std::string File; std::vector<std::string> Parts; } cases[] = {
      // The example's summary claims more than its samples show.
      {test::ExampleWorkout(),
       {"From the file's summary:\n  Duration:         0:10:00\n",
        "  Heart rate:       max 162, avg 141 bpm\n  Power:            max 412, avg 206 W\n"
        "  Normalized power: not in the file\n",
        "From the samples (121 over 0:10:00):\n  Heart rate:       max 154, avg 143 bpm\n",
        "  Power:            max 264, avg 206 W\n"}},
      {RunWithoutSummary(),
       {"Comment:            Easy / run\n",
        "From the file's summary:\n  Duration:         not in the file\n  End:              not in the file\n"
        "  Distance:         not in the file\n  Pace:             not in the file\n"
        "  Heart rate:       not in the file\n",
        "From the samples (3 over 0:00:20):\n  Heart rate:       max 170, avg 160 bpm\n"
        "  Pace:             best 5:00, avg 6:00 /km\n  Power:            no readings\n"
        "  Cadence:          no readings\n  Altitude:         100.0 to 103.0 m, ascent 3 m, descent 0 m\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const test::ToolRun run = RunTessaly({"import", c.File});
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const std::string& part : c.Parts) EXPECT_NE(run.Out.find(part), npos) << part << "\nin\n" << run.Out;
  }
}

// Device files: the samples' ascent is the laps' sum, 99 + 63 + 43 + 15 + 71 + 6 m, by the plug-in's
// 2 m threshold; where the summary disagrees, the text says so. The swim's pace leaves its rests
// out: 3.55 km in 53:08 (3188 s) of laps that cover a distance, 89.8 s, within its laps' 1:20 to
// 1:37. A channel the workout does not have is blank in the lap table.
TEST(TextSummary, DeviceFilesFiguresAgreeWithTheirLaps) {
  const std::string samples = test::PwxSamplesDir();
  if (samples.empty()) GTEST_SKIP() << "the shared folder of device PWX files is absent";
  const struct { const char* File; std::vector<std::string> Parts; } cases[] = {
      {"lgulseth_Timex_Global_Trainer_2013_03_28_11_50_25.pwx",
       {"  Altitude:         173.0 to 235.0 m, ascent 297 m, descent 288 m\n"
        "The file's summary and the samples disagree:\n"
        "  Duration:         0:51:52 in the summary, 0:49:22 from the samples\n"
        "  Ascent:           141 m in the summary, 297 m from the samples\nLaps:",
        "\n    6   0:49:22   0:01:01     0.158     8.228     134     132    6:23                              6      3\n"}},
      {"Finis_Swimsense_2014_08_05_06_09_24.pwx",
       {"  Pace:             best 1:21, avg 1:30 /100 m over 0:53:08 of swimming\n",
        "  Cadence:          max 32, avg 26 strokes/min\n",
        "\n    2   0:01:44   0:00:23     0.000     0.100                       -      27\n"}},
      {"Timex20100618201200_1.pwx", {"\n    1   0:03:45   0:03:45                         106      98\n"}},
      {"example.pwx", {"  Duration:         4:41:44 in the summary, 0:09:09 from the samples\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const test::ToolRun run = RunTessaly({"import", samples + "/" + c.File});
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const std::string& part : c.Parts) EXPECT_NE(run.Out.find(part), npos) << part << "\nin\n" << run.Out;
  }
}

TEST(Csv, NamesTheUnitsAndGivesARowPerLap) {
  const test::ToolRun samples = RunTessaly({"import", test::ExampleWorkout(), "--format", "csv"});
  EXPECT_EQ(samples.Out.substr(0, samples.Out.find('\n')),
            "Index,TimeOffset (s),HeartRate (bpm),Distance (km),Speed (km/h),Altitude (m),Temperature (degC),"
            "Power (W),PowerBalance,Cadence (rpm),Latitude (deg),Longitude (deg),SampleByte,"
            "TorqueEffectivenessLeft (%),TorqueEffectivenessRight (%),PedalSmoothnessLeft (%),"
            "PedalSmoothnessRight (%),SampleText");
  // Two laps of 300 s, the first ending at 07:35:00, 27300 s after midnight.
  const test::ToolRun laps = RunTessaly({"import", test::ExampleWorkout(), "--format", "csv", "--laps"});
  EXPECT_EQ(laps.Out.rfind("Lap,EndTimeOfDay (s since midnight),Duration (s),EndOffset (s),Distance (km),", 0), 0u);
  EXPECT_NE(laps.Out.find("\n1,27300,300,300,2.3763,"), npos) << laps.Out;
  EXPECT_NE(laps.Out.find("\n2,27600,300,600,"), npos) << laps.Out;
  EXPECT_EQ(RunTessaly({"import", test::ExampleWorkout(), "--laps"}).Status, 2);
}

TEST(PlotCommand, SeveralFilesSmoothedAndRefusals) {
  const std::string dir = test::TempDir() + "/several";
  std::filesystem::create_directories(dir);
  const std::string ride = dir + "/ride.pwx", run = dir + "/run.pwx";
  std::filesystem::copy_file(test::ExampleWorkout(), ride, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(RunWithoutSummary(), run, std::filesystem::copy_options::overwrite_existing);
  const test::ToolRun both = RunTessaly({"plot", ride, run, "--smooth", "30"});
  ASSERT_EQ(both.Status, 0) << both.Err;
  EXPECT_EQ(both.Out.rfind(dir + "/ride.svg: ", 0), 0u) << both.Out;  // then its size
  EXPECT_NE(both.Out.find("\n" + dir + "/run.svg: "), npos) << both.Out;
  EXPECT_NE(ReadFile(dir + "/ride.svg").find("<path class=\"envelope\""), npos);
  EXPECT_EQ(RunTessaly({"plot", "--out-dir", dir + "/out", ride, run}).Out, "2 converted, 0 failed\n");
  EXPECT_TRUE(std::filesystem::exists(dir + "/out/run.svg"));
  const test::ToolRun oneOutput = RunTessaly({"plot", ride, run, "-o", dir + "/x.svg"});
  EXPECT_EQ(oneOutput.Status, 2);
  const test::ToolRun badSmooth = RunTessaly({"plot", ride, "--smooth", "-5"});
  EXPECT_EQ(badSmooth.Status, 2);
  EXPECT_EQ(badSmooth.Err, "tessaly plot: --smooth takes seconds from 0 to 86400, not '-5'\n");
}

}  // namespace
}  // namespace tessaly
