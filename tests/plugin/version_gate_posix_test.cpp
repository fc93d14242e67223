// Without a desktop, the platform's notice box is one line on standard error.
#include <gtest/gtest.h>

#include <string>

#include "platform/notice.h"
#include "plugin/plugin_core.h"
#include "test_support.h"

namespace tessaly {
namespace {

TEST(PlatformNotice, IsOneLineOnStandardErrorAndTestsOnlyRecordIt) {
  testing::internal::CaptureStderr();
  platform::ShowNotice("Caption", "Text");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption: Text\n");

  PluginState s;
  test::TakeNotices();
  testing::internal::CaptureStderr();
  EXPECT_EQ(GetExerciseNumberFromRawFile(s, "ride.pwx"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the test program's recorder took it";
  EXPECT_EQ(test::TakeNotices().size(), 1u);
}

}  // namespace
}  // namespace tessaly
