#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string_view>

#include "platform/temporary_file_name.h"
#include "plugin_api.h"
#include "private_file.h"

namespace tessaly::tool {
namespace {

// The paths the interruption handler removes, a slot for each file alive at once (a run has one or
// two). Written before the slot is marked in use, so the handler only reads whole paths.
constexpr int kSlots = 4;
char g_paths[kSlots][PATH_MAX];
volatile sig_atomic_t g_inUse[kSlots];
char g_folder[PATH_MAX];

// Removes the run's files and its folder, then ends the run as the signal would have.
void OnInterruption(int signal) {
  for (int k = 0; k < kSlots; ++k) {
    if (g_inUse[k]) unlink(g_paths[k]);
  }
  rmdir(g_folder);  // only when no other run has a file in it
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signal, &fallback, nullptr);
  raise(signal);
}

// Once per run; a signal the run was started to ignore (HUP under nohup) stays ignored.
void CatchInterruptions() {
  static bool caught = false;
  if (caught) return;
  caught = true;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) continue;
    struct sigaction on {};
    on.sa_handler = OnInterruption;
    sigemptyset(&on.sa_mask);
    for (const int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&on.sa_mask, other);
    sigaction(signal, &on, nullptr);
  }
}

std::string SystemWords() { return os::SystemErrorText(errno); }

// The tool's own folder, made if need be: TMPDIR (or /tmp), then tessaly-UID. One made by someone
// else, or reached through a link, is not taken.
bool OwnFolder(std::string& folder, std::string& error) {
  const char* temporary = std::getenv("TMPDIR");
  folder = std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") + "/tessaly-" +
           std::to_string(getuid());
  struct stat st {};
  bool there = false;
  // Another run removes the folder with its last file, maybe just after this one found it there.
  for (int attempt = 0; attempt < 64 && !there; ++attempt) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      error = "cannot make the folder " + folder + ": " + SystemWords();
      return false;
    }
    there = lstat(folder.c_str(), &st) == 0;
  }
  if (!there || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0)) {
    error = "the folder " + folder + " is not the user's own";
    return false;
  }
  return folder.size() < PATH_MAX;
}

// Whether name is that of a file named after another one still in the folder, that one's name and
// an extension: the plug-in's output beside a live run's held file, which goes before its held file.
bool BesideAFileThere(int folder, const char* name) {
  const char* dot = std::strrchr(name, '.');
  struct stat st {};
  return dot != nullptr && dot != name && fstatat(folder, std::string(name, dot).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Removes the files of runs that were killed: each live run holds a lock on its own. A file beside
// one still there waits for that one to go; a spool of the plug-in's save, only named between
// its last two steps, is the save's to clear.
void RemoveLeftovers(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0 ||
        platform::IsTemporaryFileName(std::string_view(entry->d_name)) || BesideAFileThere(dirfd(dir), entry->d_name)) {
      continue;
    }
    const int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      unlinkat(dirfd(dir), entry->d_name, 0);
    }
    close(fd);
  }
  closedir(dir);
}

}  // namespace

PrivateFile::~PrivateFile() {
  if (handle_ < 0) return;
  unlink(path_.c_str());
  g_inUse[slot_] = 0;
  close(static_cast<int>(handle_));
  rmdir(g_folder);
}

bool PrivateFile::Create(const std::string& suffix, std::string& error) {
  if (handle_ >= 0) return false;
  int slot = 0;
  while (slot < kSlots && g_inUse[slot]) ++slot;
  if (slot == kSlots) {
    error = "too many files of the tool's own at once";
    return false;
  }
  CatchInterruptions();
  // An interruption waits while the file is made and marked for the handler, so that none can
  // come between the two.
  sigset_t interruptions, before;
  sigemptyset(&interruptions);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interruptions, signal);
  sigprocmask(SIG_BLOCK, &interruptions, &before);
  const bool made = Make(suffix, slot, error);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return made;
}

bool PrivateFile::Make(const std::string& suffix, int slot, std::string& error) {
  std::random_device random;
  for (int attempt = 0; attempt < 64; ++attempt) {
    std::string folder;
    if (!OwnFolder(folder, error)) return false;
    const std::string path = folder + "/" + std::to_string(getpid()) + "-" + std::to_string(random()) + suffix;
    if (path.size() >= PATH_MAX) {  // the handler's buffers hold the folder and the path whole
      error = "the name " + path + " is too long";
      return false;
    }
    std::strcpy(g_folder, folder.c_str());
    RemoveLeftovers(folder);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EEXIST || errno == ENOENT)) continue;  // a name taken; a folder just removed
    if (fd < 0) {
      error = "cannot make " + path + ": " + SystemWords();
      return false;
    }
    // Locked before anything else may take it for a leftover; one taken already is given up.
    struct stat st {};
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &st) != 0 || st.st_nlink == 0) {
      close(fd);
      continue;
    }
    std::strcpy(g_paths[slot], path.c_str());
    g_inUse[slot] = 1;
    path_ = path;
    handle_ = fd;
    slot_ = slot;
    return true;
  }
  error = "cannot make a file in the tool's own folder";
  return false;
}

bool PrivateFile::Write(const char* data, std::size_t size, std::string& error) {
  while (size > 0) {
    const ssize_t n = write(static_cast<int>(handle_), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? SystemWords() : os::SystemErrorText(ENOSPC);
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::uint64_t PrivateFile::FreeBytes() const {
  struct statvfs st {};
  if (handle_ < 0 || fstatvfs(static_cast<int>(handle_), &st) != 0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace tessaly::tool
