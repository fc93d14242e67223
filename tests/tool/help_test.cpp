// Each help, on stdout and without the plug-in, is the manual's word for word; and what a command
// line that is not understood is told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::RunTessaly;

TEST(Help, TheManualHoldsEveryHelpWordForWord) {
  const std::string manual = test::ReadFile(TESSALY_TEST_DATA_DIR "/../../docs/tool.md");
  ASSERT_FALSE(manual.empty());
  const std::vector<std::vector<std::string>> helps = {
      {"--help"},
      // Wherever it stands, and with no plug-in to load.
      {"--plugin", "no-such-library", "check", "-h"}, {"import", "x.pwx", "--help"}, {"plot", "--help"},
      {"export", "--help"}, {"convert", "--help"}, {"info", "--help"}};
  for (const std::vector<std::string>& args : helps) {
    SCOPED_TRACE(testing::PrintToString(args));
    const test::ToolRun run = RunTessaly(args);
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_NE(manual.find("```\n" + run.Out + "```\n"), std::string::npos) << run.Out;
  }
}

// One parser for every command: options anywhere before "--", and one line for what it does not
// understand, with status 2.
TEST(CommandLine, WhatIsNotUnderstoodIsSaidInOneLine) {
  const std::string f = test::ExampleWorkout();
  const struct { std::vector<std::string> Args; std::string Err; } cases[] = {
      {{"import", f, "--format=xml"}, "tessaly import: --format takes text, json or csv, not 'xml'\n"},
      {{"check", "-q", f}, "tessaly check: unknown option '-q'; 'tessaly check --help' shows how it is used\n"},
      {{"info", "--strict"}, "tessaly info: unknown option '--strict'; 'tessaly info --help' shows how it is used\n"},
      {{"import", "--laps=1", f}, "tessaly import: --laps takes no value; 'tessaly import --help' shows how it is used\n"},
      {{"plot", f, "--smooth"}, "tessaly plot: --smooth needs a value, SECONDS; 'tessaly plot --help' shows how it is used\n"},
      // After "--" an option's name is a file's.
      {{"import", f, "--", "--format"},
       "tessaly import: several files need --out-dir DIR; 'tessaly import --help' shows how it is used\n"},
      {{"convert", "--start", "2024-02-30T07:00:00", f, "x.pwx"},
       "tessaly convert: --start takes a possible local date and time, YYYY-MM-DDThh:mm:ss, not "
       "'2024-02-30T07:00:00'; 'tessaly convert --help' shows how it is used\n"},
      {{"chek", f}, "tessaly: 'chek' is no command; the nearest is 'check' ('tessaly --help' lists them)\n"},
      {{"expot"}, "tessaly: 'expot' is no command; the nearest is 'export' ('tessaly --help' lists them)\n"},
      {{"-q", "check"}, "tessaly: unknown option '-q'; 'tessaly --help' lists the options and commands\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Args));
    const test::ToolRun run = RunTessaly(c.Args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, c.Err);
  }
  // Options after the files, and the files after "--".
  EXPECT_EQ(RunTessaly({"import", "--laps", "--", f, "--format", "csv"}).Status, 2);
  EXPECT_EQ(RunTessaly({"import", "--laps", f, "--format", "csv"}).Out,
            RunTessaly({"import", "--format", "csv", "--laps", "--", f}).Out);
}

}  // namespace
}  // namespace tessaly
