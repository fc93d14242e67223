#include <windows.h>

#include "platform/file_system.h"

namespace tessaly::platform {

bool IsRegularFile(const char* path) noexcept {
  if (path == nullptr) return false;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace tessaly::platform
