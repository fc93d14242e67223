// Each help, on stdout and without the plug-in, is the manual's word for word; and what a wrong
// option value is told.
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

TEST(Help, AWrongValueNamesTheOptionAndItsValues) {
  const test::ToolRun run = RunTessaly({"import", test::ExampleWorkout(), "--format=xml"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "tessaly import: --format takes text, json or csv, not 'xml'\n");
}

}  // namespace
}  // namespace tessaly
