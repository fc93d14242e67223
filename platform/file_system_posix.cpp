#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

FileReader::FileReader(const char* path) noexcept {
  if (path == nullptr) {
    error_ = ENOENT;
    return;
  }
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) error_ = errno;
  file_ = fd;
}

FileReader::~FileReader() {
  if (IsOpen()) close(static_cast<int>(file_));
}

std::size_t FileReader::Read(char* buffer, std::size_t size) noexcept {
  if (!IsOpen()) return 0;
  for (;;) {
    const ssize_t n = read(static_cast<int>(file_), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) {
      error_ = errno;
      return 0;
    }
  }
}

}  // namespace tessaly::platform
