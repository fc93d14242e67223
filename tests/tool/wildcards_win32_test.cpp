// cmd.exe hands a program its wildcards unexpanded: the tool expands them itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tool_test_support.h"

namespace tessaly {
namespace {

TEST(Wildcards, ADirectoryPatternIsEveryFileItMatches) {
  const std::string dir = test::TempDir() + "\\wildcards";
  std::filesystem::create_directories(dir);
  const std::string ride = test::ReadFile(test::ExampleWorkout());
  for (const char* name : {"b.pwx", "a.pwx", "c.txt"}) test::WriteFile(dir + "\\" + name, ride);
  const test::ToolRun run = test::RunTessaly({"check", dir + "\\*.pwx"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, dir + "\\a.pwx: 121 samples, 2 laps, start 2026-06-14T07:30:00\n" + dir +
                         "\\b.pwx: 121 samples, 2 laps, start 2026-06-14T07:30:00\n2 of 2 files import\n");
  // A pattern that matches nothing stays as given, for the file's own message.
  EXPECT_EQ(test::RunTessaly({"check", dir + "\\*.gpx"}).Out.rfind(dir + "\\*.gpx: ", 0), 0u);
}

}  // namespace
}  // namespace tessaly
