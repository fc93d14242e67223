#include <sys/stat.h>

#include "platform/file_system.h"

namespace tessaly::platform {

bool IsRegularFile(const char* path) noexcept {
  struct stat st {};
  return path != nullptr && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace tessaly::platform
