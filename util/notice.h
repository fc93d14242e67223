// The plug-in's one message to the user. It goes to a replaceable handler: the platform's notice
// box, unless a test program has put a recorder in its place so that no test waits for a click.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace tessaly {

using NoticeHandler = void (*)(const char* caption, const char* text);

// Puts handler in the place of the current one (nullptr: the platform's box again) and returns
// the one it replaced.
NoticeHandler SetNoticeHandler(NoticeHandler handler) noexcept;

// Hands the notice to the handler at once, or keeps it in the open NoticeHold.
void ShowNotice(const char* caption, const char* text) noexcept;

class NoticeHold;
namespace notice_detail {
// Written only under the plug-in lock; atomic so that a notice outside any call reads it cleanly.
inline std::atomic<NoticeHold*> g_open{nullptr};
}  // namespace notice_detail

// Notices kept back while a plug-in call holds the plug-in lock, shown once it has let go: a box
// waiting for a click then blocks no other caller, and the host's windows, which the box's message
// loop serves, run in the host's own floating-point state. One hold is open at a time: it is
// opened and closed only by a call holding the lock. Every export call opens one, so the path
// that keeps nothing is inline.
class NoticeHold {
 public:
  NoticeHold() = default;
  ~NoticeHold() { Close(); }
  NoticeHold(const NoticeHold&) = delete;
  NoticeHold& operator=(const NoticeHold&) = delete;

  void Open() noexcept { notice_detail::g_open.store(this, std::memory_order_relaxed); }
  void Close() noexcept {
    if (notice_detail::g_open.load(std::memory_order_relaxed) == this) {
      notice_detail::g_open.store(nullptr, std::memory_order_relaxed);
    }
  }
  // Hands what was kept to the handler, in order, and forgets it. Call after Close.
  void ShowKept() noexcept {
    if (!kept_.empty()) ShowAndForget();
  }

 private:
  friend void ShowNotice(const char* caption, const char* text) noexcept;
  void ShowAndForget() noexcept;
  struct Notice {
    std::string Caption, Text;
  };
  std::vector<Notice> kept_;
};

}  // namespace tessaly
