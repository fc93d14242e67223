// The guard every export runs in: calls take turns, nothing thrown gets out, the host's
// floating-point state comes back, and a notice is shown only once the lock is let go.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <stdexcept>
#include <thread>
#include <vector>

#include "host_float_state.h"
#include "plugin/export_abi.h"
#include "plugin/call_guard.h"
#include "plugin/plugin_core.h"
#include "test_support.h"

// The exports that answer constants, from plugin/exports.cpp, which this program holds.
extern "C" {
std::uint8_t TESSALY_CALL GetExInterface();
std::int32_t TESSALY_CALL TESSALY_GETVERSION();
std::uint8_t TESSALY_CALL GetPluginType();
std::uint8_t TESSALY_CALL GetPluginDevType();
tessaly::HostBool TESSALY_CALL GetDeviceName(char*, std::uint32_t);
tessaly::HostBool TESSALY_CALL GetPluginName(char*, std::uint32_t);
tessaly::HostBool TESSALY_CALL GetAuthor(char*, std::uint32_t);
std::int32_t TESSALY_CALL GetURL(char*, std::uint32_t);
tessaly::HostBool TESSALY_CALL GetRawExtension(char*, std::uint32_t);
std::int32_t TESSALY_CALL UseOwnSetupDialog();
std::int32_t TESSALY_CALL UseOwnImportDialog();
std::int32_t TESSALY_CALL GetDelProperty();
std::int32_t TESSALY_CALL GetDevImpProperty();
std::uint16_t TESSALY_CALL GetExerciseNumber();
tessaly::HostBool TESSALY_CALL SetupExport(std::uint32_t, std::uint32_t);
tessaly::HostBool TESSALY_CALL SetLogSummary(tessaly::OldLogSummaryArgs);
tessaly::HostBool TESSALY_CALL SetExerciseDatas(tessaly::OldExerciseDataArgs);
}

namespace tessaly {
namespace {

using namespace std::chrono_literals;

// The plug-in state the guard hands out, as the library's load creates it.
class CallGuard : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(AttachPluginState()); }
  void TearDown() override { DetachPluginState(); }
};

TEST_F(CallGuard, AThrowingCallAnswersItsFailureValueAndLeavesNothingBehind) {
  test::SetFloatState(test::kForeignFloatStates[1]);
  const test::FloatSnapshot before = test::TakeFloatSnapshot();
  const int result = Guarded<int>(-7, [](PluginState&) -> int {
    volatile double zero = 0.0;
    volatile double invalid = zero / zero;  // flags raised by our work, then a throw
    (void)invalid;
    throw std::runtime_error("inside");
  });
  const test::FloatSnapshot after = test::TakeFloatSnapshot();
  test::SetFloatState(test::kDefaultFloatState);
  EXPECT_EQ(result, -7);
  EXPECT_EQ(after, before);
  EXPECT_EQ(Guarded<int>(0, [](PluginState& s) { return s.AHFactor; }), 2) << "the lock was let go";
}

TEST_F(CallGuard, CallsFromSeveralThreadsTakeTurns) {
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  long long unguardedSum = 0;  // plain memory: only one call may touch it at a time
  const auto worker = [&] {
    for (int k = 0; k < 2000; ++k) {
      Guarded<int>(0, [&](PluginState&) {
        if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
        unguardedSum += 1;
        if (k % 64 == 0) std::this_thread::yield();
        inside.fetch_sub(1);
        return 1;
      });
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(unguardedSum, 4 * 2000);
}

// While another host thread is inside a call, the exports that answer constants still answer.
TEST_F(CallGuard, ConstantExportsDoNotWaitForTheLock) {
  std::unique_lock<std::mutex> held(PluginLock());
  std::future<std::string> answers = std::async(std::launch::async, [] {
    char name[64], author[64], extension[8], url[8] = "x";
    const int numbers[] = {GetExInterface(), GetPluginType(), GetPluginDevType(), UseOwnSetupDialog(),
                           UseOwnImportDialog(), GetDelProperty(), GetDevImpProperty(), GetExerciseNumber(),
                           SetupExport(0, 0), SetLogSummary({}), SetExerciseDatas({}), GetURL(url, sizeof url),
                           GetDeviceName(name, sizeof name), GetAuthor(author, sizeof author),
                           GetRawExtension(extension, sizeof extension), TESSALY_GETVERSION() == kPluginVersion};
    std::string text;
    for (const int n : numbers) text += std::to_string(n) + " ";
    text += std::string(name) + "|" + author + "|" + extension + "|" + url + "|";
    return text + (GetPluginName(name, sizeof name) == 1 ? name : "");
  });
  const std::future_status status = answers.wait_for(10s);
  held.unlock();  // so that an export that did wait still returns
  ASSERT_EQ(status, std::future_status::ready) << "an export waited for the lock";
  EXPECT_EQ(answers.get(), "6 5 5 0 0 0 0 0 1 1 1 0 1 1 1 1 Tessaly Import/Export|The Tessaly developers|pwx||"
                           "Tessaly Import/Export Plugin");
}

// What the notice handler saw while the box would be up.
struct WhileShown {
  bool LockFree = false;
  bool OtherThreadGotIn = false;
  int SameThreadCall = 0;
  std::uint16_t X87Control = 0;
};
WhileShown g_seen;
int g_shown = 0;

// Stands for a box waiting for a click: meanwhile another host thread calls the plug-in, and a
// host window served by the box's message loop calls it on this thread.
void WaitingBox(const char*, const char*) {
  ++g_shown;
  g_seen.X87Control = test::X87Control();
  g_seen.LockFree = PluginLock().try_lock();
  if (!g_seen.LockFree) return;  // calling in now would never return
  PluginLock().unlock();
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> other = done->get_future();
  std::thread([done] {
    Guarded<int>(0, [](PluginState& s) { return s.AHFactor; });
    done->set_value();
  }).detach();
  g_seen.OtherThreadGotIn = other.wait_for(10s) == std::future_status::ready;
  g_seen.SameThreadCall = Guarded<int>(0, [](PluginState& s) { return s.AHFactor; });
}

TEST_F(CallGuard, ANoticeIsShownAfterTheLockIsLetGoInTheHostsFloatingPointState) {
  const NoticeHandler recorder = SetNoticeHandler(&WaitingBox);
  g_seen = {};
  g_shown = 0;
  test::SetFloatState(test::kForeignFloatStates[0]);
  const std::uint16_t offered = Guarded<std::uint16_t>(
      7, [](PluginState& s) { return GetExerciseNumberFromRawFile(s, "ride.pwx"); });  // version 0: refused
  test::SetFloatState(test::kDefaultFloatState);
  SetNoticeHandler(recorder);
  EXPECT_EQ(offered, 0);
  EXPECT_EQ(g_shown, 1);
  EXPECT_TRUE(g_seen.LockFree);
  EXPECT_TRUE(g_seen.OtherThreadGotIn);
  EXPECT_EQ(g_seen.SameThreadCall, 2);
  if (test::kHasX87) {
    EXPECT_EQ(g_seen.X87Control, 0x027F) << "the host's windows run in the host's state";
  }
}

}  // namespace
}  // namespace tessaly
