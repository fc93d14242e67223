#include <sys/stat.h>

#include "platform/file_system.h"

namespace tessaly::platform {

bool IsRegularFile(const char* path) noexcept {
  struct stat st {};
  return path != nullptr && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

std::uint64_t FileByteCount(const char* path) noexcept {
  struct stat st {};
  if (path == nullptr || stat(path, &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace tessaly::platform
