// The tessaly tool's commands as a person meets them: check, the failure messages import, convert
// and plot share, batches with bad files among good ones, and the versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::ReadFile;
using test::RunTessaly;
using test::TempDir;
using test::WriteFile;

std::string Folder(const std::string& name) {
  const std::string dir = TempDir() + "/" + name;
  std::filesystem::create_directories(dir);
  return dir;
}

const char kBroken[] =
    "<?xml version=\"1.0\"?>\n<pwx>\n  <workout>\n    <sample><hr>1</hr></sample>\n    <sample><hr>2</hr>\n"
    "  </workout>\n</pwx>\n";
// What every command says of kBroken, after its path: the end tag on line 6 does not close the
// <sample> of line 5; expat points at the tag's name, column 4 counted from 0.
std::string BrokenWhy(const std::string& path) {
  return ": the file is not well-formed XML, so it is damaged or no PWX file: get it again (" + path +
         ":6:4: mismatched tag)";
}

struct Refusal {
  const char* Name;
  std::string Document;
  const char* Starts;  // the first words after the path
  const char* Place;   // what follows the path inside the closing parentheses; "" for none
};

TEST(Check, SaysFirstWhatIsWrongThenWhere) {
  // 257 levels: pwx, workout and 255 <a>; the 255th <a> starts at 14 + 254 * 3 = 776.
  std::string nested = "<pwx><workout>";
  for (int k = 0; k < 300; ++k) nested += "<a>";
  for (int k = 0; k < 300; ++k) nested += "</a>";
  nested += "</workout></pwx>\n";
  const Refusal refusals[] = {
      {"broken.pwx", kBroken, "the file is not well-formed XML", ":6:4: mismatched tag"},
      {"entity.pwx", "<pwx>\n<workout><cmt>a &nbsp; b</cmt></workout></pwx>\n", "the file is not well-formed XML",
       ":2:16: undefined entity"},
      {"doctype.pwx", "<?xml version=\"1.0\"?>\n<!DOCTYPE pwx [ <!ENTITY a \"b\"> ]>\n<pwx/>\n",
       "the file has a document type declaration", ":2"},
      {"deep.pwx", nested, "elements are nested deeper than 256 levels", ":1:776"},
      {"time.pwx",
       "<pwx>\n<workout>\n  <time>2014-13-45T25:00:00</time>\n  <sample><hr>1</hr></sample>\n</workout></pwx>\n",
       "the start time \"2014-13-45T25:00:00\" is no possible date", ":3:2"},
      // A second time the plug-in refuses after a first it takes.
      {"second-time.pwx",
       "<pwx><workout><time>2014-02-28T10:00:00</time>\n<time> 2014-02-30T10:00:00 </time>\n"
       "<sample><hr>1</hr></sample></workout></pwx>\n",
       "the start time \"2014-02-30T10:00:00\"", ":2:0"},
      {"no-samples.pwx", "<pwx><workout><time>2014-10-11T15:08:45</time></workout></pwx>\n",
       "no samples: the workout holds no sample elements", ""},
      {"empty-sample.pwx", "<pwx><workout><sample><extension/></sample></workout></pwx>\n",
       "no samples: 1 sample element, without a value", ""},
      {"no-workout.pwx", "<pwx/>", "no workout in the file", ""},
      {"empty.pwx", "", "the file is empty", ""},
      // Cut inside the end tag of the first sample, which starts at column 32.
      {"cut.pwx", "<pwx><workout><sample><hr>1</hr></sam", "the file ends early", ":1:32: unclosed token"},
      {"cut-between.pwx", "<pwx><workout><sample><hr>1</hr></sample>\n", "the file ends early",
       ":2:0: no element found"},
      {"packed.pwx", std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00", 8),
       "the file is gzip-compressed, which the host's plug-in cannot read", ""},
      {"packed-zip.pwx", std::string("PK\x03\x04\x14\x00\x00\x00", 8), "the file is a zip archive", ""},
      {"page.pwx", "<!DOCTYPE html>\n<html><body><p>Ride</p></body></html>\n", "this is a web page", ""},
      {"route.pwx", "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk/></gpx>\n", "this is a GPX file", ""},
      {"run.pwx", "<TrainingCenterDatabase><Activities/></TrainingCenterDatabase>\n", "this is a TCX file", ""},
      // windows-1252 bytes where UTF-8 is declared: the e acute of "caf\xe9" at column 22 of line 2.
      {"latin.pwx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<pwx><workout><cmt>caf\xe9</cmt></workout></pwx>\n",
       "the text encoding is wrong, at line 2", ":2:22: not well-formed (invalid token)"},
      {"unknown-encoding.pwx", "<?xml version=\"1.0\" encoding=\"koi8-r\"?>\n<pwx/>\n",
       "the file declares a text encoding the plug-in does not read (\"koi8-r\")", ":1:30: unknown encoding"},
      {"blank-first.pwx", "\n<?xml version=\"1.0\"?>\n<pwx/>\n", "something stands before <?xml",
       ":2:0: XML or text declaration not at start of entity"},
  };
  std::vector<std::string> args = {"check"};
  const std::string dir = Folder("refused");
  for (const Refusal& r : refusals) {
    WriteFile(dir + "/" + r.Name, r.Document);
    args.push_back(dir + "/" + r.Name);
  }
  args.push_back(Folder("refused/rides.pwx"));
  const test::ToolRun run = RunTessaly(args);
  EXPECT_EQ(run.Status, 1);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = run.Out.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(run.Out.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), std::size(refusals) + 2) << run.Out;
  for (std::size_t k = 0; k < std::size(refusals); ++k) {
    const std::string path = args[k + 1];
    EXPECT_EQ(lines[k].rfind(path + ": " + refusals[k].Starts, 0), 0u) << lines[k];
    if (*refusals[k].Place == '\0') {
      EXPECT_EQ(lines[k].find(" (" + path), std::string::npos) << lines[k];
    } else {
      const std::string place = " (" + path + refusals[k].Place + ")";
      EXPECT_EQ(lines[k].substr(lines[k].size() - std::min(place.size(), lines[k].size())), place) << lines[k];
    }
  }
  EXPECT_EQ(lines[std::size(refusals)], args.back() + ": this is a folder, not a file: give the .pwx files in it");
  EXPECT_EQ(lines.back(), "0 of 21 files import");
}

TEST(Check, WarnsOfWhatTheImportChanges) {
  const std::string dir = Folder("warned");
  const std::string p = dir + "/two.pwx";
  WriteFile(p,
            "<pwx>\n<workout>\n<time>2016-05-24T10:20:30.5</time>\n"
            "<sample><timeoffset>0</timeoffset><hr>300</hr><cad>90</cad></sample>\n"
            "<sample><timeoffset>5</timeoffset><hr>120</hr><cad>-3</cad></sample>\n"
            "<sample><timeoffset>5</timeoffset><hr>121</hr><cad>inf</cad></sample>\n</workout>\n"
            "<workout>\n<sample><timeoffset>0</timeoffset><hr>256</hr></sample>\n"
            "<sample><timeoffset>4294967296</timeoffset><hr>0</hr></sample>\n</workout>\n</pwx>\n");
  const test::ToolRun run = RunTessaly({"check", p});
  EXPECT_EQ(run.Status, 0);
  // 300 and -3 keep their low byte, 44 and 253; 2^32 keeps its low 32 bits, 0; "inf" is no number
  // to the plug-in, so it reads 0, which fits. The stored offsets are 0, 5, 5, 0 and 0. A value is
  // placed at its end tag, a sample at its own.
  EXPECT_EQ(run.Out,
            p + ": 5 samples, 0 laps, start 2016-05-24T10:20:30\n" +
            p + ": warning: a heart rate of 300 does not fit the record, which holds 0 to 255: it is stored as 44 "
                "(2 values, first at " + p + ":4:41)\n" +
            p + ": warning: a heart rate no sensor gives: 300, above 250 (2 values, first at " + p + ":4:41)\n" +
            p + ": warning: a cadence of -3 does not fit the record, which holds 0 to 255: it is stored as 253 "
                "(1 value, first at " + p + ":5:53)\n" +
            p + ": warning: time offsets go backwards or repeat, 5 s after 5 s first: the samples keep the file's "
                "order (3 samples, first at " + p + ":6:60)\n" +
            p + ": warning: the file holds 2 workouts, merged into one: their samples, laps and summaries follow "
                "each other (1 more workout, first at " + p + ":8:0)\n" +
            p + ": warning: a time offset of 4294967296 does not fit the record, which holds 32 bits: it is stored "
                "as 0 (1 value, first at " + p + ":10:30)\n" +
            p + ": warning: summary figures the file gives as 0 or not at all read 0: duration, heart rate, although "
                "the samples hold them (2 figures, first at " + p + ":2:0)\n");
  EXPECT_EQ(RunTessaly({"check", "--strict", p}).Status, 1);
  EXPECT_EQ(RunTessaly({"check", "--strict", test::ExampleWorkout()}).Status, 0);

  // Values no sensor gives, and a start that has not come yet; a zone is read, not warned of.
  const std::string nonsense = dir + "/nonsense.pwx";
  WriteFile(nonsense, "<pwx>\n<workout><summarydata><duration>1</duration><spd max=\"1\"/><pwr max=\"1\"/></summarydata>\n"
                      "<time>2099-01-01T10:00:00Z</time>\n"
                      "<sample><timeoffset>-5</timeoffset><spd>1e308</spd><pwr>4294967296</pwr><lat>951</lat></sample>\n"
                      "</workout></pwx>\n");
  const std::string at = " (1 value, first at " + nonsense;
  const std::string warned = RunTessaly({"check", "--strict", nonsense}).Out;
  EXPECT_EQ(warned.substr(warned.find('\n') + 1),
            nonsense + ": note: the start time \"2099-01-01T10:00:00Z\" names its zone: it is read as that instant, in "
                       "local time (1 time, first at " + nonsense + ":3:0)\n" +
            nonsense + ": warning: a negative time offset: -5 s, before the workout starts" + at + ":4:22)\n" +
            nonsense + ": warning: a speed no sensor gives: 1e308 m/s, above 500 km/h" + at + ":4:45)\n" +
            nonsense + ": warning: a power no sensor gives: 4294967296 W, above 3000 W" + at + ":4:66)\n" +
            nonsense + ": warning: a latitude no place has: 951, beyond -90 to 90" + at + ":4:80)\n" +
            nonsense + ": warning: the start time \"2099-01-01T10:00:00Z\" lies in the future (" + nonsense + ":3:0)\n");
  // 0 W written as 1 W: ten samples of 1 W among ten above it.
  std::string samples;
  for (int k = 0; k < 20; ++k) samples += k % 2 == 0 ? "<sample><pwr>1</pwr></sample>" : "<sample><pwr>200</pwr></sample>";
  const std::string ones = dir + "/ones.pwx";
  WriteFile(ones, "<pwx><workout><time>2016-05-24T10:20:30</time><summarydata><pwr max=\"200\"/></summarydata>\n" +
                      samples + "</workout></pwx>\n");
  EXPECT_EQ(RunTessaly({"check", ones}).Out,
            ones + ": 20 samples, 0 laps, start 2016-05-24T10:20:30\n" + ones +
                ": warning: many samples have a power of exactly 1 W among 10 above it: some programs write 0 W as 1 W, "
                "and the host gets 1 W (10 samples, first at " + ones + ":2:14)\n");
  const std::string undated = dir + "/undated.pwx";
  WriteFile(undated, "<pwx><workout><summarydata><hr max=\"1\"/></summarydata><sample><hr>90</hr></sample></workout></pwx>\n");
  EXPECT_NE(RunTessaly({"check", undated}).Out.find(undated + ": warning: no start time: the host dates the workout at "
                                                              "the moment it imports it (the workout at " + undated + ":1:5)\n"),
            std::string::npos);
}

TEST(Check, OneLinePerFileAndAStatusForTheWhole) {
  const std::string example = test::ExampleWorkout();
  const test::ToolRun good = RunTessaly({"check", example});
  EXPECT_EQ(good.Status, 0);
  EXPECT_EQ(good.Out, example + ": 121 samples, 2 laps, start 2026-06-14T07:30:00\n");

  const std::string missing = TempDir() + "/missing.pwx";
  const std::string text = TempDir() + "/workout.txt";
  WriteFile(text, "<pwx/>");
  const test::ToolRun mixed = RunTessaly({"check", example, missing, text});
  EXPECT_EQ(mixed.Status, 1);
  EXPECT_NE(mixed.Out.find(missing + ": cannot open: "), std::string::npos) << mixed.Out;
  EXPECT_NE(mixed.Out.find(text + ": not a PWX file name"), std::string::npos) << mixed.Out;
  EXPECT_NE(mixed.Out.find("\n1 of 3 files import\n"), std::string::npos) << mixed.Out;

  const test::ToolRun none = RunTessaly({"check"});
  EXPECT_EQ(none.Status, 2);
  EXPECT_EQ(none.Out, "");
  EXPECT_EQ(none.Err.rfind("usage: tessaly check", 0), 0u) << none.Err;
}

TEST(FailingCommands, SayWhatCheckSaysAndWriteNothing) {
  const std::string bad = Folder("failing") + "/broken.pwx";
  WriteFile(bad, kBroken);
  const std::string output = TempDir() + "/failing/out.pwx";
  const std::vector<std::vector<std::string>> commands = {
      {"import", bad}, {"import", bad, "--format", "json"}, {"convert", bad, output}, {"plot", bad, "-o", output + ".svg"}};
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE(command[0]);
    const test::ToolRun run = RunTessaly(command);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, bad + BrokenWhy(bad) + "\n");
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_FALSE(std::filesystem::exists(output + ".svg"));
  }
}

TEST(Batch, OneBadFileNeverStopsTheOthers) {
  const std::string in = Folder("batch-in");
  const std::string example = test::ExampleWorkout();
  const std::string bad = in + "/broken.pwx";
  WriteFile(bad, kBroken);
  const std::string small = in + "/short.pwx";
  WriteFile(small, "<pwx><workout><time>2024-05-01T18:00:00</time><sample><timeoffset>0</timeoffset><hr>90</hr></sample>"
                   "<sample><timeoffset>1</timeoffset><hr>91</hr></sample></workout></pwx>\n");
  const std::string twin = Folder("batch-in/other") + "/morning-ride.pwx";  // same name as the example
  WriteFile(twin, ReadFile(example));
  const std::string out = TempDir() + "/batch-out";

  const test::ToolRun run = RunTessaly({"convert", "--out-dir", out, example, bad, small, twin});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "2 converted, 2 failed\n  " + bad + BrokenWhy(bad) + "\n  " + twin +
                         ": an earlier file of this batch was written to " + out + "/morning-ride.pwx already\n");
  EXPECT_EQ(run.Err, "[1/4] " + example + "\n[2/4] " + bad + "\n[3/4] " + small + "\n[4/4] " + twin + "\n");
  const std::string single = TempDir() + "/single.pwx";
  ASSERT_EQ(RunTessaly({"convert", example, single}).Status, 0);
  EXPECT_EQ(ReadFile(out + "/morning-ride.pwx"), ReadFile(single));
  EXPECT_TRUE(std::filesystem::exists(out + "/short.pwx"));
  EXPECT_FALSE(std::filesystem::exists(out + "/broken.pwx"));

  // On a terminal: one bar, redrawn in place.
  const test::ToolRun csv = RunTessaly({"import", "--format", "csv", "--out-dir", out, example, bad, small}, true);
  EXPECT_EQ(csv.Status, 1);
  EXPECT_EQ(csv.Out, "2 converted, 1 failed\n  " + bad + BrokenWhy(bad) + "\n");
  EXPECT_NE(csv.Err.find("\r[" + std::string(30, '#') + "] 3/3"), std::string::npos) << csv.Err;
  EXPECT_EQ(ReadFile(out + "/short.csv").substr(0, 12), "Index,TimeOf");
  EXPECT_TRUE(std::filesystem::exists(out + "/morning-ride.csv"));

  // Converting into the input's own folder would overwrite the input.
  const test::ToolRun onto = RunTessaly({"convert", "--out-dir", in, small});
  EXPECT_EQ(onto.Status, 1);
  EXPECT_EQ(onto.Out,
            "0 converted, 1 failed\n  " + small + ": the output " + in + "/short.pwx would replace the input\n");

  const test::ToolRun json = RunTessaly({"import", "--format=json", "--out-dir=" + out, example, small});
  EXPECT_EQ(json.Status, 0);
  EXPECT_EQ(json.Out, "2 converted, 0 failed\n");
}

TEST(Version, NamesTheToolAndThePlugin) {
  const test::ToolRun run = RunTessaly({"--version"});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out.rfind("tessaly " TESSALY_PROJECT_VERSION "\n", 0), 0u) << run.Out;
  EXPECT_NE(run.Out.find("\nplug-in "), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find(", version 700\n"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace tessaly
