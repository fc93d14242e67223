#include <windows.h>

#include "platform/notice.h"

namespace tessaly::platform {

void ShowNotice(const char* caption, const char* text) noexcept {
  // Modal to the calling thread's active window; one OK button.
  MessageBoxA(GetActiveWindow(), text, caption, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

}  // namespace tessaly::platform
