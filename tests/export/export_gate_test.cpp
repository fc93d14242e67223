// A host below the required version gets one notice and no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export_test_support.h"
#include "test_support.h"

namespace tessaly {
namespace {

TEST(ExportDatasGate, AnOldHostGetsOneNoticeAndNoFile) {
  struct Case {
    std::int32_t version;
    std::int32_t result;
  };
  const Case cases[] = {{0, 0}, {504, 0}, {505, 1}, {700, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    const std::string base = test::TempDir() + "/gate-" + std::to_string(c.version);
    std::filesystem::remove(base + ".pwx");
    PluginState s = test::FreshState();
    s.HostVersion = c.version;
    test::TakeNotices();
    EXPECT_EQ(ExportDatas(s, (base + ".tmp").c_str()), c.result);
    EXPECT_EQ(std::filesystem::exists(base + ".pwx"), c.result == 1);
    EXPECT_EQ(test::TakeNotices().size(), c.result == 1 ? 0u : 1u);
  }
}

}  // namespace
}  // namespace tessaly
