// Each command's help, on stdout and without the plug-in, and what a wrong option value is told.
#include <gtest/gtest.h>

#include <string>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::RunTessaly;

TEST(Help, EachCommandListsItsOptionsOneALine) {
  struct Case {
    const char* Command;
    const char* Line;  // one line the help holds
  };
  const Case cases[] = {
      {"check", "usage: tessaly check [--strict] FILE.pwx...\n"},
      {"import",
       "\n  --format text|json|csv  text: the file's summary, what the samples show, and the laps; json: every "
       "record; csv: a row per sample (default: text)\n"},
      {"import", "\n  --laps                  with --format csv: a row per lap instead\n"},
      {"plot", "\n  --smooth SECONDS      draw each line as a moving average over SECONDS, the readings faint behind it\n"},
      {"export", "usage: tessaly export WORKOUT.json OUTPUT.pwx\n"},
      {"convert", "\n       tessaly convert --out-dir DIR FILE.pwx...\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Command);
    const test::ToolRun run = RunTessaly({c.Command, "--help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out.rfind(std::string("usage: tessaly ") + c.Command, 0), 0u) << run.Out;
    EXPECT_NE(run.Out.find(c.Line), std::string::npos) << run.Out;
  }
  // Wherever it stands, and with no plug-in to load.
  const test::ToolRun info = RunTessaly({"--plugin", "no-such-library", "info", "-h"});
  EXPECT_EQ(info.Status, 0);
  EXPECT_EQ(info.Out,
            "usage: tessaly info\n\nShow the plug-in's name, version and capabilities.\n\nOptions:\n"
            "  -h, --help  show this help\n");
}

TEST(Help, AWrongValueNamesTheOptionAndItsValues) {
  const test::ToolRun run = RunTessaly({"import", test::ExampleWorkout(), "--format=xml"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "tessaly import: --format takes text, json or csv, not 'xml'\n");
}

}  // namespace
}  // namespace tessaly
