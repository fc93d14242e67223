// What convert, import and export keep of a file (sport, athlete); the outputs refused, and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::ReadFile;
using test::RunTessaly;
using test::WriteFile;
constexpr auto npos = std::string::npos;

// One sample, a start, an athlete and the header elements given.
std::string WorkoutWith(const std::string& header) {
  return "<pwx><workout><athlete><name> Ann Example </name></athlete>" + header +
         "<time>2024-05-01T18:00:00</time><sample><timeoffset>0</timeoffset><hr>90</hr></sample></workout></pwx>\n";
}

TEST(Keeping, EverySportTextAndTheAthleteRoundTrip) {
  // Sport: as the JSON names it and the PWX writes it.
  const struct { const char* Header; const char* Sport; } cases[] = {
      {"<sportType>Run</sportType>", "Run"}, {"<sportType>Bike</sportType>", "Bike"},
      {"<sportType>Walk</sportType>", "Walk"}, {"<sportType>Swim</sportType>", "Swim"},
      {"<sportType>Mountain Bike</sportType>", "Mountain Bike"},
      {"<sportType>Cross train</sportType>", "Cross train"}, {"<sportType>XC Ski</sportType>", "XC Ski"},
      {"<sportType>Other</sportType>", "Other"}, {"<sportType>Kayak</sportType>", "Other"},
      {"<sportType>bike</sportType>", "Other"}, {"", "Other"},
      // The plug-in keeps the code of the last text it knows; a later unknown one changes nothing.
      {"<sportType>Walk</sportType><sportType>Kayak</sportType>", "Walk"},
  };
  const std::string dir = test::TempDir() + "/keeping";
  std::filesystem::create_directories(dir);
  const std::string in = dir + "/in.pwx", once = dir + "/once.pwx", twice = dir + "/twice.pwx";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Header);
    WriteFile(in, WorkoutWith(c.Header));
    ASSERT_EQ(RunTessaly({"convert", in, once}).Status, 0);
    ASSERT_EQ(RunTessaly({"convert", once, twice}).Status, 0);
    for (const std::string& written : {ReadFile(once), ReadFile(twice)}) {
      EXPECT_NE(written.find(std::string("<sportType>") + c.Sport + "</sportType>"), npos) << written;
      EXPECT_NE(written.find("<name>Ann Example</name>"), npos) << written;
    }
    const test::ToolRun json = RunTessaly({"import", in, "--format", "json"});
    EXPECT_NE(json.Out.find(std::string("\"Sport\": \"") + c.Sport + "\","), npos) << json.Out;
    EXPECT_NE(json.Out.find("\"athlete\": \"Ann Example\","), npos) << json.Out;
    WriteFile(dir + "/in.json", json.Out);
    ASSERT_EQ(RunTessaly({"export", dir + "/in.json", dir + "/from-json.pwx"}).Status, 0);
    EXPECT_EQ(ReadFile(dir + "/from-json.pwx"), ReadFile(once));
  }
}

TEST(Keeping, DeviceFilesKeepTheirSportAndAthlete) {
  const std::string samples = test::PwxSamplesDir();
  if (samples.empty()) GTEST_SKIP() << "the shared folder of device PWX files is absent";
  // Athlete: empty when the file names none.
  const struct { const char* File; const char* Sport; const char* Athlete; } files[] = {
      {"10kUNLP2014-Garmin15.pwx", "Run", "amtriathlon"},
      {"Finis_Swimsense_2014_08_05_06_09_24.pwx", "Swim", "amtriathlon"},
      {"IpBike_902.pwx", "Bike", ""}, {"Timex20100618201200_1.pwx", "Run", ""}, {"example.pwx", "Bike", ""},
      {"Timex_Global_Trainer_5Laps.pwx", "Bike", "delesseria"}, {"short_file.pwx", "Bike", "unknown"},
      {"Timex_Run_Trainer_2013_01_01_08_22_52.pwx", "Run", "munga01"}, {"test_ride.pwx", "Bike", "unknown"},
      {"argmac_Garmin_FR910XT_2015_01_31_10_17_02.pwx", "Swim", "argmac"},
      {"lgulseth_Timex_Global_Trainer_2013_03_28_11_50_25.pwx", "Run", "lgulseth"}};
  const std::string out = test::TempDir() + "/device-keeping.pwx";
  for (const auto& f : files) {
    SCOPED_TRACE(f.File);
    ASSERT_EQ(RunTessaly({"convert", samples + "/" + f.File, out}).Status, 0);
    const std::string written = ReadFile(out);
    EXPECT_NE(written.find(std::string("<sportType>") + f.Sport + "</sportType>"), npos);
    if (*f.Athlete) EXPECT_NE(written.find("<name>" + std::string(f.Athlete) + "</name>"), npos);
    else EXPECT_EQ(written.find("<athlete>"), npos);
  }
}

TEST(Keeping, AStartBeforeDayZeroRoundTrips) {
  // Day -1.25 is 1899-12-29 06:00: before day 0 the time still counts forward from midnight.
  const std::string dir = test::TempDir() + "/early";
  std::filesystem::create_directories(dir);
  WriteFile(dir + "/early.json", R"({"summary": {"Start": "1899-12-29T06:00:00"}, "samples": [{"HeartRate": 60}]})");
  ASSERT_EQ(RunTessaly({"export", dir + "/early.json", dir + "/early.pwx"}).Status, 0);
  EXPECT_NE(ReadFile(dir + "/early.pwx").find("<time>1899-12-29T06:00:00</time>"), npos);
  EXPECT_NE(RunTessaly({"import", dir + "/early.pwx", "--format", "json"}).Out.find("\"StartTime\": -1.25,"), npos);
}

TEST(Outputs, RefusedWithTheirReason) {
  const std::string dir = test::TempDir() + "/refusals";
  std::filesystem::create_directories(dir);
  const std::string ride = dir + "/ride.pwx", out = dir + "/out.pwx";
  WriteFile(ride, WorkoutWith("<sportType>Bike</sportType>"));
  const std::string good = dir + "/good.json", misspelt = dir + "/misspelt.json";
  const std::string disagreeing = dir + "/disagreeing.json", undated = dir + "/undated.json";
  WriteFile(good, R"({"summary": {"StartTime": 45000}})");
  WriteFile(misspelt, R"({"summary": {"StartTime": 45000}, "samples": [{"TimeOffset": 0, "Heartrate": 60}]})");
  WriteFile(disagreeing, R"({"summary": {"StartTime": 45431.75, "Start": "2024-05-19T17:30:00"}})");
  WriteFile(undated, R"({"summary": {"Sport": "Run"}})");
  const std::string noTime = test::DataDir() + "/import/no_time.pwx";
  const struct { std::vector<std::string> Args; std::string Err; } cases[] = {
      {{"convert", ride, ride}, ride + ": the output " + ride + " would replace the input\n"},
      {{"convert", ride, dir + "/out.txt"},
       dir + "/out.txt: not a PWX file name; the plug-in writes only names ending in .pwx\n"},
      {{"export", good, dir + "/"},
       "tessaly: " + dir + "/: a folder, not a file name; give the file to write, ending in .pwx\n"},
      {{"convert", ride, dir + "/.pwx"}, dir + "/.pwx: the extension alone; give the file a name before .pwx\n"},
      {{"export", misspelt, out},
       "tessaly: " + misspelt + ": samples[0].Heartrate: not a key this program reads; did you mean HeartRate?\n"},
      // 45431.75 is 18:00 on that day.
      {{"export", disagreeing, out},
       "tessaly: " + disagreeing + ": summary.Start \"2024-05-19T17:30:00\" and summary.StartTime 45431.75 "
                                   "(2024-05-19T18:00:00) disagree; correct one, or leave one out\n"},
      {{"export", undated, out}, "tessaly: " + undated + ": summary: no StartTime or Start; the plug-in would date the "
                                                         "workout when it writes it: give the start with --start "
                                                         "YYYY-MM-DDThh:mm:ss\n"},
      {{"convert", noTime, out}, noTime + ": the file gives no start time, and the plug-in would write the moment of "
                                          "this conversion as the workout's: give the start with --start "
                                          "YYYY-MM-DDThh:mm:ss\n"},
      {{"plot", ride, "-o", dir + "/ride.png"},
       "tessaly: " + dir + "/ride.png: not an SVG file name; plot draws SVG pictures, named .svg (or - for standard "
                           "output)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args[0] + " " + c.Args.back());
    const test::ToolRun run = RunTessaly(c.Args);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, c.Err);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(ReadFile(ride), WorkoutWith("<sportType>Bike</sportType>"));

  // A missing folder is made, as --out-dir makes its own; one that cannot be made says why.
  EXPECT_EQ(RunTessaly({"convert", ride, dir + "/new/sub/out.pwx"}).Status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/new/sub/out.pwx"));
  const test::ToolRun blocked = RunTessaly({"convert", ride, ride + "/sub/out.pwx"});
  EXPECT_EQ(blocked.Status, 1);
  const std::string why = ride + ": cannot make the folder " + ride + "/sub: ";
  EXPECT_EQ(blocked.Err.rfind(why, 0), 0u) << blocked.Err;
  EXPECT_GT(blocked.Err.size(), why.size() + 1) << "no reason given";

  // The plug-in writes its extension as .pwx: OUT.PWX is that file only where case does not matter.
  const test::ToolRun capitals = RunTessaly({"convert", ride, dir + "/OUT.PWX"});
  if (tool::os::FileNamesIgnoreCase()) {
    EXPECT_EQ(capitals.Status, 0) << capitals.Err;
  } else {
    EXPECT_EQ(capitals.Err, dir + "/OUT.PWX: the plug-in writes the extension as .pwx, and on this system OUT.PWX and "
                                  "OUT.pwx are two files: name the output OUT.pwx\n");
  }
}

// "-" reads standard input and writes standard output as a file would be; a start the file lacks
// comes from --start.
TEST(StandardStreams, ReadAndWrittenAsFilesAre) {
  const std::string dir = test::TempDir() + "/streams";
  std::filesystem::create_directories(dir);
  const std::string example = test::ExampleWorkout();
  EXPECT_EQ(RunTessaly({"import", "-"}, false, ReadFile(example)).Out, RunTessaly({"import", example}).Out);
  ASSERT_EQ(RunTessaly({"plot", example, "-o", dir + "/ride.svg"}).Status, 0);
  EXPECT_EQ(RunTessaly({"plot", example, "-o", "-"}).Out, ReadFile(dir + "/ride.svg"));
  ASSERT_EQ(RunTessaly({"convert", example, dir + "/ride.pwx"}).Status, 0);
  EXPECT_EQ(RunTessaly({"convert", "-", "-"}, false, ReadFile(example)).Out, ReadFile(dir + "/ride.pwx"));
  const std::string json = RunTessaly({"import", example, "--format", "json"}).Out;
  EXPECT_EQ(RunTessaly({"export", "-", "-"}, false, json).Out, ReadFile(dir + "/ride.pwx"));

  const std::string noTime = test::DataDir() + "/import/no_time.pwx";
  const test::ToolRun dated = RunTessaly({"convert", noTime, "-", "--start", "2024-05-01T07:00:00"});
  EXPECT_EQ(dated.Status, 0) << dated.Err;
  EXPECT_NE(dated.Out.find("<time>2024-05-01T07:00:00</time>"), npos) << dated.Out;
  EXPECT_NE(RunTessaly({"import", noTime}).Out.find("\nStart:              not in the file (the import dates it "), npos);
}

// A write that fails says why, standard output included.
TEST(StandardStreams, AFullDiskSaysWhy) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  for (const char* format : {"csv", "json", "text"}) {
    const test::ToolRun run = RunTessaly({"import", test::ExampleWorkout(), "--format", format}, false, "", "/dev/full");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "tessaly: cannot write the output: No space left on device\n");
  }
}

}  // namespace
}  // namespace tessaly
