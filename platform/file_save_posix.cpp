// Save through a temporary file beside the target, then rename over it: rename replaces the
// target in one step, so a reader sees either the old file or the complete new one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/file_save.h"
#include "platform/path.h"

namespace tessaly::platform {
namespace {

// A name that is unlikely to be taken; O_EXCL makes sure it is not.
std::string CandidateName(const std::string& folder, unsigned attempt) {
  static std::uint64_t counter = 0;
  std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  x ^= static_cast<std::uint64_t>(getpid()) << 32;
  x ^= ++counter * 0x9E3779B97F4A7C15ull;
  x ^= attempt;
  x ^= x >> 29;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 32;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = folder + "/.tessaly-";
  for (int k = 0; k < 12; ++k) name += kHex[(x >> (4 * k)) & 0xF];
  name += ".tmp";
  return name;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target) noexcept {
  try {
    if (target.empty()) return;
    target_ = target;
    const std::string folder = FolderOf(target, PathStyle::Posix);
    int fd = -1;
    std::string name;
    // 0666 lets the user's umask decide the permissions, as for any newly created file.
    for (unsigned attempt = 0; attempt < 64 && fd < 0; ++attempt) {
      name = CandidateName(folder, attempt);
      fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) return;
    }
    if (fd < 0) return;
    // Only a file made here is ever removed again.
    temp_ = std::move(name);
    file_ = fd;
    // A file that is replaced keeps its permissions.
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
      fchmod(fd, existing.st_mode & 07777);
    }
  } catch (...) {
    Discard();
  }
}

FileReplacement::~FileReplacement() { Discard(); }

void FileReplacement::Discard() noexcept {
  if (file_ != -1) close(static_cast<int>(file_));
  file_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

bool FileReplacement::Write(std::string_view bytes) noexcept {
  if (file_ == -1) return false;
  if (!WriteAll(static_cast<int>(file_), bytes.data(), bytes.size())) Discard();
  return file_ != -1;
}

bool FileReplacement::Commit() noexcept {
  if (file_ == -1) return false;
  const int fd = static_cast<int>(file_);
  file_ = -1;
  bool ok = fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    Discard();
    return false;
  }
  temp_.clear();  // committed: nothing more is written or removed
  // After the rename the folder's own entry list must reach the disk too; a failure here no
  // longer matters to the file's contents.
  try {
    SyncFolder(FolderOf(target_, PathStyle::Posix));
  } catch (...) {
  }
  return true;
}

}  // namespace tessaly::platform
