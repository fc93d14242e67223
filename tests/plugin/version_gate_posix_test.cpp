// Without a desktop, the version gate's notice goes to standard error: once per refusal.
#include <gtest/gtest.h>

#include <string>

#include "plugin/plugin_core.h"

namespace tessaly {
namespace {

TEST(VersionGateNotice, OneNoticePerRefusalAndNoneWhenThePathIsOpen) {
  for (std::int32_t version : {0, 504, 505}) {
    SCOPED_TRACE(version);
    PluginState s;
    s.HostVersion = version;
    testing::internal::CaptureStderr();
    GetExerciseNumberFromRawFile(s, "ride.pwx");
    const std::string notice = testing::internal::GetCapturedStderr();
    if (version < 505) {
      EXPECT_NE(notice.find("Tessaly Import/Export"), std::string::npos) << notice;
      EXPECT_EQ(notice.find('\n'), notice.size() - 1) << "exactly one line: " << notice;
    } else {
      EXPECT_EQ(notice, "");
    }
  }
}

}  // namespace
}  // namespace tessaly
