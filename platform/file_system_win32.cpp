#include <windows.h>

#include "platform/file_system.h"

namespace tessaly::platform {

bool IsRegularFile(const char* path) noexcept {
  if (path == nullptr) return false;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::uint64_t FileByteCount(const char* path) noexcept {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path == nullptr || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace tessaly::platform
