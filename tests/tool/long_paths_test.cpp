// Paths longer than MAX_PATH: what the plug-in writes there it reads back whole, and a file that
// is not there is named as such, never blamed for its contents.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tool_test_support.h"

namespace tessaly {
namespace {

using test::RunTessaly;

TEST(LongPaths, AWorkoutExportedIntoADeepFolderImportsBackWhole) {
  // Both names within MAX_PATH; the target within it but the save's temporary file beside it not;
  // both beyond it.
  for (const std::size_t length : {200u, 240u, 270u}) {
    SCOPED_TRACE(length);
    std::string folder = test::TempDir() + "/long";
    while (folder.size() + 1 < length) folder += "/" + std::string(std::min<std::size_t>(60, length - folder.size() - 1), 'd');
    std::filesystem::create_directories(folder);
    const std::string ride = folder + "/ride.pwx";
    EXPECT_EQ(RunTessaly({"convert", test::ExampleWorkout(), ride}).Status, 0);
    EXPECT_TRUE(RunTessaly({"check", ride}).Out.starts_with(ride + ": 121 samples, 2 laps"));
    const std::string missing = folder + "/missing.pwx";
    const test::ToolRun refused = RunTessaly({"check", missing});
    EXPECT_TRUE(refused.Out.starts_with(missing + ": cannot open: ")) << refused.Out;
  }
}

}  // namespace
}  // namespace tessaly
