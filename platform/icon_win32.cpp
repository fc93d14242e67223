#include <windows.h>

#include "platform/icon.h"

namespace tessaly::platform {
namespace {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

bool DeliverIcon(void** slot) noexcept {
  HANDLE image = LoadImageA(ThisModule(), "DEVICON", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (image == nullptr) return false;
  // The resource image replaces the host's handle, which is released; the new one is the host's.
  if (*slot != nullptr) DeleteObject(static_cast<HGDIOBJ>(*slot));
  *slot = image;
  return true;
}

}  // namespace tessaly::platform
