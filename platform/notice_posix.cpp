// Without a desktop message box the notice goes to standard error, where a terminal user or a test
// can read it.
#include <cstdio>

#include "platform/notice.h"

namespace tessaly::platform {

void ShowNotice(const char* caption, const char* text) noexcept {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
}

}  // namespace tessaly::platform
