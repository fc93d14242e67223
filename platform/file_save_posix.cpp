// Save through a temporary file beside the target, then rename over it: rename replaces the
// target in one step, so a reader sees either the old file or the complete new one. Where the
// system offers a file with no name until it is linked (Linux), the temporary file is one, so a
// save cut short leaves nothing behind.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include "platform/file_save.h"
#include "platform/path.h"
#include "platform/temporary_file_name.h"

namespace tessaly::platform {

struct FileReplacement::Spool {
  std::string target;           // the file written: the target with its links followed
  bool target_exists = false;
  bool may_replace = false;     // renaming it over the target keeps what the target was
  int fd = -1;
  std::string name;             // while it has a name of its own that we must remove

  Spool() = default;
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  ~Spool() {
    if (fd >= 0) close(fd);
    if (!name.empty()) unlink(name.c_str());
  }
};

namespace {

using Spool = FileReplacement::Spool;

// As many links in a row as the system itself follows before it gives up.
constexpr int kMostLinksFollowed = 40;

// The code of the system call that just failed; never 0, so that a failure is never taken for success.
int LastError() { return errno != 0 ? errno : EIO; }

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

// The path with its links followed one by one, as opening it would, so that the save writes the
// file a link points to, and a link that points nowhere yet creates that file. "" for a loop.
std::string FollowLinks(std::string path) {
  for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char to[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), to, sizeof to);
    if (n <= 0 || static_cast<std::size_t>(n) == sizeof to) return {};
    const std::string link(to, static_cast<std::size_t>(n));
    path = link.front() == '/' ? link : FolderOf(path, PathStyle::Posix) + "/" + link;
  }
  return {};
}

// As a plain write would be refused, and also a file no one may write (mode 444), which the
// superuser could write but which its owner has protected.
bool MayWrite(const std::string& path, const struct stat& st) {
  return (st.st_mode & 0222) != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Our temporary files that saves cut short left in folder more than a day ago. Only names of our
// own making are looked at, so no other file is ever removed.
void RemoveStaleTemporaryFiles(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(dir)) {
    if (!IsTemporaryFileName(std::string_view(entry->d_name))) continue;
    struct stat st {};
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        now - st.st_mtime > kStaleTemporaryFileSeconds) {
      unlinkat(dirfd(dir), entry->d_name, 0);
    }
  }
  closedir(dir);
}

// A file with no name yet in folder, readable and writable; -1 where the system offers none.
int OpenUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
  // It is named later through /proc, as linking the descriptor itself needs a privilege.
  if (access("/proc/self/fd", X_OK) == 0) return open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#endif
  (void)folder;
  return -1;
}

// A new file of ours under a free marked name in folder. 0666 lets the user's umask decide the
// permissions, as for any newly created file.
int OpenNamed(const std::string& folder, std::string& name) {
  for (unsigned attempt = 0; attempt < 64; ++attempt) {
    std::string candidate = folder + "/" + TemporaryFileName(static_cast<std::uint64_t>(getpid()), attempt);
    const int fd = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      name = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// The system's folder for temporary files: the document of a save that can only be copied into
// its target waits there when the target's folder takes no new file.
std::string SystemTemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// Makes the spool carry the target's owner and mode. False when a rename would change what the
// file is: an owner we may not give it, or other names (hard links) that would keep the old one.
bool TakeOnOwnerAndMode(int fd, const struct stat& target) {
  struct stat mine {};
  if (target.st_nlink != 1 || fstat(fd, &mine) != 0) return false;
  if ((mine.st_uid != target.st_uid || mine.st_gid != target.st_gid) &&
      fchown(fd, target.st_uid, target.st_gid) != 0) {
    return false;
  }
  // After the owner: a change of owner clears the set-user and set-group bits.
  return fchmod(fd, target.st_mode & 07777) == 0;
}

// Puts the spool in the target's place by a rename; an unnamed spool is first linked under a
// marked name, which a save killed just then leaves for the next save to clear.
bool Replace(Spool& spool) {
  // Everything that allocates comes before the rename: once it is done, nothing may fail.
  const std::string folder = FolderOf(spool.target, PathStyle::Posix);
  if (spool.name.empty()) {
    const std::string self = "/proc/self/fd/" + std::to_string(spool.fd);
    std::string name;
    for (unsigned attempt = 0; attempt < 64 && name.empty(); ++attempt) {
      std::string candidate = folder + "/" + TemporaryFileName(static_cast<std::uint64_t>(getpid()), attempt);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        name = std::move(candidate);
      } else if (errno != EEXIST) {
        return false;
      }
    }
    if (name.empty()) return false;
    spool.name = std::move(name);
  }
  if (rename(spool.name.c_str(), spool.target.c_str()) != 0) return false;
  spool.name.clear();  // it is the target now
  // After the rename the folder's own entry list must reach the disk too; a failure here no
  // longer matters to the file's contents.
  SyncFolder(folder);
  return true;
}

// Room on the disk for the first size bytes of the open file, before any of its bytes is
// overwritten: its blocks are reserved, the length it shows staying as it is. Where the file system
// cannot reserve, zeros are written after the old end instead, and cut off again when that fails.
// 0, or the system's code.
int TakeRoom(int fd, off_t old_size, off_t size) {
  if (size <= 0 || fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0) return 0;
  if (errno != EOPNOTSUPP && errno != ENOSYS) return LastError();
  static constexpr std::size_t kChunk = 1u << 16;
  const std::string zeros(kChunk, '\0');
  for (off_t at = old_size; at < size;) {
    const std::size_t part = static_cast<std::size_t>(std::min<off_t>(size - at, kChunk));
    const ssize_t n = pwrite(fd, zeros.data(), part, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? LastError() : ENOSPC;
      [[maybe_unused]] const int cut = ftruncate(fd, old_size);  // back to the old length
      return error;
    }
    at += n;
  }
  return 0;
}

// Where the rename is refused or would change what the file is, but the file itself may be
// written, the document is copied into it, as a plain save would write it. The document is whole
// and the disk's room for it taken before the target is touched, so only the copy itself can be
// cut short. 0, or the system's code.
int WriteInPlace(const Spool& spool) {
  static constexpr std::size_t kChunk = 1u << 16;
  std::string chunk(kChunk, '\0');
  struct stat document {};
  if (fstat(spool.fd, &document) != 0 || lseek(spool.fd, 0, SEEK_SET) != 0) return LastError();
  const int target = open(spool.target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (target < 0) return LastError();
  struct stat st {};
  int error = fstat(target, &st) != 0 ? LastError() : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (error == 0) error = TakeRoom(target, st.st_size, document.st_size);
  while (error == 0) {
    const ssize_t n = read(spool.fd, chunk.data(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error = LastError();
      break;
    }
    if (!WriteAll(target, chunk.data(), static_cast<std::size_t>(n))) error = LastError();
  }
  if (error == 0 && (ftruncate(target, document.st_size) != 0 || fsync(target) != 0)) error = LastError();
  if (close(target) != 0 && error == 0) error = LastError();
  return error;
}

// The spool for a save at target, or null with why not in failure.
std::unique_ptr<Spool> OpenSpool(const std::string& target, SaveResult& failure) {
  const auto fail = [&](SaveOutcome outcome, int systemError) {
    failure = {outcome, systemError};
    return nullptr;
  };
  // A folder is no file to save.
  if (target.empty() || target.back() == '/') return fail(SaveOutcome::Refused, target.empty() ? ENOENT : EISDIR);
  auto spool = std::make_unique<Spool>();
  spool->target = FollowLinks(target);
  if (spool->target.empty() || spool->target.back() == '/') return fail(SaveOutcome::Refused, ELOOP);
  struct stat st {};
  if (stat(spool->target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return fail(SaveOutcome::Refused, S_ISDIR(st.st_mode) ? EISDIR : 0);
    if (!MayWrite(spool->target, st)) return fail(SaveOutcome::Refused, EACCES);
    spool->target_exists = true;
  } else if (errno != ENOENT) {
    return fail(SaveOutcome::Refused, LastError());
  }
  const std::string folder = FolderOf(spool->target, PathStyle::Posix);
  RemoveStaleTemporaryFiles(folder);
  spool->fd = OpenUnnamed(folder);
  if (spool->fd < 0) spool->fd = OpenNamed(folder, spool->name);
  const int beside_error = LastError();
  const bool beside = spool->fd >= 0;  // in the target's folder, so that it can be renamed over it
  if (!beside && spool->target_exists) {
    // The folder takes no new file, but the file in it may be written: the document waits in
    // the system's folder for temporary files, nameless or unnamed at once.
    const std::string aside = SystemTemporaryFolder();
    spool->fd = OpenUnnamed(aside);
    if (spool->fd < 0 && (spool->fd = OpenNamed(aside, spool->name)) >= 0) {
      unlink(spool->name.c_str());
      spool->name.clear();
    }
  }
  if (spool->fd < 0) {
    // No folder to write in is what a plain write refuses too; anything else failed.
    const bool no_folder = beside_error == ENOENT || beside_error == ENOTDIR;
    return fail(no_folder ? SaveOutcome::Refused : SaveOutcome::Failed, beside_error);
  }
  spool->may_replace = beside && (!spool->target_exists || TakeOnOwnerAndMode(spool->fd, st));
  return spool;
}

}  // namespace

FileReplacement::FileReplacement(const std::string& target) noexcept {
  try {
    spool_ = OpenSpool(target, failure_);
  } catch (...) {
    failure_ = {SaveOutcome::Failed, ENOMEM};
  }
}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::Write(std::string_view bytes) noexcept {
  if (!spool_) return false;
  if (WriteAll(spool_->fd, bytes.data(), bytes.size())) return true;
  failure_ = {SaveOutcome::Failed, LastError()};
  spool_.reset();
  return false;
}

SaveResult FileReplacement::Commit() noexcept {
  if (!spool_) return failure_;
  // Whatever happens below, nothing more is written, and the spool goes with this scope.
  const std::unique_ptr<Spool> spool = std::move(spool_);
  try {
    if (fsync(spool->fd) != 0) return {SaveOutcome::Failed, LastError()};
    if (spool->may_replace && Replace(*spool)) return {};
    const int replace_error = LastError();
    if (!spool->target_exists) return {SaveOutcome::Failed, replace_error};
    const int error = WriteInPlace(*spool);
    return error == 0 ? SaveResult{} : SaveResult{SaveOutcome::Failed, error};
  } catch (...) {
    return {SaveOutcome::Failed, ENOMEM};
  }
}

void SetLastSystemError(int code) noexcept { errno = code; }

}  // namespace tessaly::platform
