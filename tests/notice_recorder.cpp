// Installed before main in every test program that links the core: the version gate's notice is
// recorded, never shown.
#include <mutex>

#include "test_support.h"
#include "util/notice.h"

namespace tessaly::test {
namespace {

std::mutex g_lock;
std::vector<RecordedNotice>& Recorded() {
  static std::vector<RecordedNotice> notices;
  return notices;
}

void Record(const char* caption, const char* text) {
  std::lock_guard<std::mutex> hold(g_lock);
  Recorded().push_back({caption ? caption : "", text ? text : ""});
}

[[maybe_unused]] const bool g_installed = (SetNoticeHandler(&Record), true);

}  // namespace

std::vector<RecordedNotice> TakeNotices() {
  std::lock_guard<std::mutex> hold(g_lock);
  std::vector<RecordedNotice> out;
  out.swap(Recorded());
  return out;
}

}  // namespace tessaly::test
