#include "util/notice.h"

#include <atomic>
#include <utility>

#include "platform/notice.h"

namespace tessaly {
namespace {

std::atomic<NoticeHandler> g_handler{nullptr};
// Written only under the plug-in lock; atomic so that a notice outside any call reads it cleanly.
std::atomic<NoticeHold*> g_open{nullptr};

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
  if (NoticeHold* hold = g_open.load(std::memory_order_relaxed)) {
    try {
      hold->kept_.push_back({caption ? caption : "", text ? text : ""});
      return;
    } catch (...) {  // no memory to keep it: shown now rather than lost
    }
  }
  Hand(caption, text);
}

void NoticeHold::Open() noexcept {
  open_ = true;
  g_open.store(this, std::memory_order_relaxed);
}

void NoticeHold::Close() noexcept {
  if (!open_) return;
  open_ = false;
  g_open.store(nullptr, std::memory_order_relaxed);
}

void NoticeHold::ShowKept() noexcept {
  std::vector<Notice> kept = std::move(kept_);
  kept_.clear();
  for (const Notice& n : kept) Hand(n.Caption.c_str(), n.Text.c_str());
}

}  // namespace tessaly
