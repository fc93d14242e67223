// A start time no document can hold, seen as the host sees it: the export answers 0 and an
// earlier file at the target stays as it was.
#include <gtest/gtest.h>

#include <string>

#include "host_round.h"
#include "test_support.h"

namespace tessaly {
namespace {

TEST(HostileExport, AnImpossibleStartTimeAnswersZeroAndLeavesTheTarget) {
  const std::string target = test::TempDir() + "/keep.pwx";
  test::WriteFile(target, "earlier export");
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  const tool::PluginApi& api = plugin->api();
  // Far past year 9999, before year 1, and 3,000,000 days (about year 10113).
  for (double start : {1e300, -1e9, 3e6}) {
    SCOPED_TRACE(start);
    LogSummaryRecord summary{};
    summary.StartTime = start;
    summary.Duration = 60;
    ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
    EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0), 0);
    EXPECT_EQ(test::ReadFile(target), "earlier export");
  }
  // The same plug-in still exports once the start is possible again.
  LogSummaryRecord summary{};
  summary.StartTime = 42514.5;  // 2016-05-24 12:00
  ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
  EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0), 1);
  EXPECT_NE(test::ReadFile(target).find("<time>2016-05-24T12:00:00</time>"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
