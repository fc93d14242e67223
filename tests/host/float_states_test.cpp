// Hosts that run with another floating-point state than ours: every device file and fixture
// imports and exports bit for bit as under the default state, every call gives the host's state
// back as it found it, and nothing traps.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host_float_state.h"
#include "host_round.h"
#include "test_support.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> PwxFilesIn(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".pwx") files.push_back(e.path().generic_string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Where two byte strings first differ, as "byte N of M".
std::string FirstDifference(const std::string& a, const std::string& b) {
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return "byte " + std::to_string(at.first - a.begin()) + " of " + std::to_string(a.size()) + "/" +
         std::to_string(b.size());
}

void ExpectSameUnderForeignStates(const std::vector<std::string>& files) {
  const std::string target = test::TempDir() + "/host-round.pwx";
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    test::SetFloatState(test::kDefaultFloatState);
    const test::HostRound expected = test::RunHostRound(file, target);
    ASSERT_FALSE(expected.Exported.empty()) << "no export under the default state";
    EXPECT_EQ(expected.Disturbed, 0) << expected.FirstDisturbed;
    for (const test::HostFloatState& state : test::kForeignFloatStates) {
      SCOPED_TRACE(state.Name);
      test::SetFloatState(state);
      const test::HostRound got = test::RunHostRound(file, target);
      test::SetFloatState(test::kDefaultFloatState);
      EXPECT_EQ(got.Count, expected.Count);
      EXPECT_TRUE(got.Imported == expected.Imported) << "imported records differ at "
                                                     << FirstDifference(got.Imported, expected.Imported);
      EXPECT_TRUE(got.Exported == expected.Exported) << "exported documents differ at "
                                                     << FirstDifference(got.Exported, expected.Exported);
      EXPECT_EQ(got.Calls, expected.Calls);
      EXPECT_EQ(got.Disturbed, 0) << "first after " << got.FirstDisturbed;
    }
  }
}

TEST(ForeignFloatingPointStates, DeviceFilesComeOutBitForBitAsUnderTheDefaultState) {
  if (!test::kHasX87) GTEST_SKIP() << "x87 and SSE hosts only";
  const std::string dir = test::PwxSamplesDir();
  if (dir.empty()) GTEST_SKIP() << "the shared folder of device PWX files is absent";
  const std::vector<std::string> files = PwxFilesIn(dir);
  ASSERT_FALSE(files.empty());
  ExpectSameUnderForeignStates(files);
}

TEST(ForeignFloatingPointStates, FixturesComeOutBitForBitAsUnderTheDefaultState) {
  if (!test::kHasX87) GTEST_SKIP() << "x87 and SSE hosts only";
  std::vector<std::string> files = PwxFilesIn(test::DataDir() + "/import");
  // A workout without a time starts at the clock's time, which no two runs share.
  std::erase_if(files, [](const std::string& f) { return f.ends_with("/no_time.pwx"); });
  ASSERT_GE(files.size(), 10u);
  ExpectSameUnderForeignStates(files);
}

}  // namespace
}  // namespace tessaly
