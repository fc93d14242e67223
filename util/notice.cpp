#include "util/notice.h"

#include <atomic>
#include <utility>

#include "platform/notice.h"

namespace tessaly {
namespace {

std::atomic<NoticeHandler> g_handler{nullptr};

void Hand(const char* caption, const char* text) noexcept {
  if (NoticeHandler handler = g_handler.load(std::memory_order_acquire)) {
    handler(caption, text);
  } else {
    platform::ShowNotice(caption, text);
  }
}

}  // namespace

NoticeHandler SetNoticeHandler(NoticeHandler handler) noexcept {
  return g_handler.exchange(handler, std::memory_order_acq_rel);
}

void ShowNotice(const char* caption, const char* text) noexcept {
  if (NoticeHold* hold = notice_detail::g_open.load(std::memory_order_relaxed)) {
    try {
      hold->kept_.push_back({caption ? caption : "", text ? text : ""});
      return;
    } catch (...) {  // no memory to keep it: shown now rather than lost
    }
  }
  Hand(caption, text);
}

void NoticeHold::ShowAndForget() noexcept {
  std::vector<Notice> kept = std::move(kept_);
  kept_.clear();
  for (const Notice& n : kept) Hand(n.Caption.c_str(), n.Text.c_str());
}

}  // namespace tessaly
