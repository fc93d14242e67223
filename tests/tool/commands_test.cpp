// The tessaly tool's commands as a person meets them: check, the failure messages import, convert
// and plot share, batches with bad files among good ones, and the versions.
#include <gtest/gtest.h>

#include <filesystem>
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
// What every command says of kBroken: the end tag on line 6 does not close the <sample> of line 5;
// expat points at the tag's name, column 4 counted from 0.
const char kBrokenWhy[] = ":6:4: mismatched tag";

struct Refusal {
  const char* Name;
  std::string Document;
  const char* Why;  // what follows the path
};

TEST(Check, SaysWhyAndWhereTheFileIsRefused) {
  // 257 levels: pwx, workout and 255 <a>; the 255th <a> starts at 14 + 254 * 3 = 776.
  std::string nested = "<pwx><workout>";
  for (int k = 0; k < 300; ++k) nested += "<a>";
  for (int k = 0; k < 300; ++k) nested += "</a>";
  nested += "</workout></pwx>\n";
  const Refusal refusals[] = {
      {"broken.pwx", kBroken, kBrokenWhy},
      {"entity.pwx", "<pwx>\n<workout><cmt>a &nbsp; b</cmt></workout></pwx>\n", ":2:16: undefined entity"},
      {"doctype.pwx", "<?xml version=\"1.0\"?>\n<!DOCTYPE pwx [ <!ENTITY a \"b\"> ]>\n<pwx/>\n",
       ":2: a document type declaration, which the plug-in refuses to read"},
      {"deep.pwx", nested, ":1:776: elements nested deeper than 256 levels, more than the plug-in reads"},
      {"time.pwx",
       "<pwx>\n<workout>\n  <time>2014-13-45T25:00:00</time>\n  <sample><hr>1</hr></sample>\n</workout></pwx>\n",
       ":3:2: impossible start time \"2014-13-45T25:00:00\""},
      // A code page expat does not know by itself, and a second time the plug-in refuses after a
      // first it takes.
      {"second-time.pwx",
       "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<pwx><workout><cmt>caf\xe9</cmt>\n"
       "<time>2014-02-28T10:00:00</time>\n<time> 2014-02-30T10:00:00 </time>\n<sample><hr>1</hr></sample>"
       "</workout></pwx>\n",
       ":4:0: impossible start time \"2014-02-30T10:00:00\""},
      {"no-samples.pwx", "<pwx><workout><time>2014-10-11T15:08:45</time></workout></pwx>\n",
       ": no samples: the workout holds no sample elements"},
      {"empty-sample.pwx", "<pwx><workout><sample><extension/></sample></workout></pwx>\n",
       ": no samples: 1 sample element, without a value the plug-in reads"},
      {"no-workout.pwx", "<pwx/>", ": no samples: no workout element under the document element"},
  };
  std::vector<std::string> args = {"check"};
  std::string expected;
  const std::string dir = Folder("refused");
  for (const Refusal& r : refusals) {
    const std::string path = dir + "/" + r.Name;
    WriteFile(path, r.Document);
    args.push_back(path);
    expected += path + r.Why + "\n";
  }
  expected += "0 of 9 files import\n";
  const test::ToolRun run = RunTessaly(args);
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, expected);
}

TEST(Check, ReadsEveryEncodingNameThePluginReads) {
  const char* const names[] = {"windows-1252", "cp1252",     "x-cp1252", "csWindows1252", "ISO-8859-1", "ISO_8859-1",
                               "iso-ir-100",   "latin1",     "L1",       "IBM819",        "CP819",      "csISOLatin1"};
  std::vector<std::string> args = {"check"};
  std::string expected;
  const std::string dir = Folder("encodings");
  for (const char* name : names) {
    const std::string path = dir + "/" + name + ".pwx";
    WriteFile(path, std::string("<?xml version=\"1.0\" encoding=\"") + name +
                        "\"?>\n<pwx><workout><cmt>caf\xe9 \x80</cmt></workout></pwx>\n");
    args.push_back(path);
    expected += path + ": no samples: the workout holds no sample elements\n";
  }
  expected += "0 of 12 files import\n";
  EXPECT_EQ(RunTessaly(args).Out, expected);
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
      {"import", bad}, {"import", bad, "--format", "json"}, {"convert", bad, output}, {"plot", bad, "-o", output}};
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE(command[0]);
    const test::ToolRun run = RunTessaly(command);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, bad + kBrokenWhy + "\n");
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(std::filesystem::exists(output));
  }
}

TEST(Batch, OneBadFileNeverStopsTheOthers) {
  const std::string in = Folder("batch-in");
  const std::string example = test::ExampleWorkout();
  const std::string bad = in + "/broken.pwx";
  WriteFile(bad, kBroken);
  const std::string small = in + "/short.pwx";
  WriteFile(small, "<pwx><workout><sample><timeoffset>0</timeoffset><hr>90</hr></sample>"
                   "<sample><timeoffset>1</timeoffset><hr>91</hr></sample></workout></pwx>\n");
  const std::string twin = Folder("batch-in/other") + "/morning-ride.pwx";  // same name as the example
  WriteFile(twin, ReadFile(example));
  const std::string out = TempDir() + "/batch-out";

  const test::ToolRun run = RunTessaly({"convert", "--out-dir", out, example, bad, small, twin});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "2 converted, 2 failed\n  " + bad + kBrokenWhy + "\n  " + twin +
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
  EXPECT_EQ(csv.Out, "2 converted, 1 failed\n  " + bad + kBrokenWhy + "\n");
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
