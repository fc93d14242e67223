#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "host_round.h"
#include "test_support.h"

namespace tessaly::test {

const bool kSharingBinds = false;
const int kDiskFull = ENOSPC;

std::intptr_t HoldOpen(const std::string& path, const char*) { return open(path.c_str(), O_RDWR); }

void LetGo(std::intptr_t hold) { close(static_cast<int>(hold)); }

// The immutable flag binds even the superuser; where it cannot be set, the folder stays open.
void FreezeFolder(const std::string& folder, bool frozen) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  ioctl(fd, FS_IOC_GETFLAGS, &flags);
  flags = frozen ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  ioctl(fd, FS_IOC_SETFLAGS, &flags);
  close(fd);
}

std::string SmallDisk() {
  static const std::string folder = [] {
    const std::string dir = TempDir() + "/small-disk";
    std::filesystem::create_directories(dir);
    // A mount namespace of this process's own, where the superuser may mount.
    const bool mounted = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         mount("tessaly-test", dir.c_str(), "tmpfs", 0, "size=64k,mode=0777") == 0;
    return mounted ? dir : std::string();
  }();
  return folder;
}

SaverEnd ExportElsewhere(const tool::PluginApi& api, Saver saver, const std::string& target) {
  const pid_t child = fork();
  if (child == 0) {
    if (saver == Saver::OrdinaryUser) {
      // Without the capabilities that let the superuser past permissions, as an ordinary user is.
      __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
      __user_cap_data_struct none[2] = {};
      if (syscall(SYS_capset, &header, none) != 0) _exit(100);
    } else {
      // A write beyond 8 KiB ends the process at once, as a kill would.
      signal(SIGXFSZ, SIG_DFL);
      const rlimit limit{8 * 1024, 8 * 1024};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
    }
    const int answer = api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0);
    _exit(answer == 1 ? 101 : errno == ENOSPC ? 102 : 103);  // what the parent can tell apart
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return {};
  if (WIFSIGNALED(status)) return {WTERMSIG(status) == SIGXFSZ ? -1 : -2, 0};
  switch (WEXITSTATUS(status)) {
    case 101: return {1, 0};
    case 102: return {0, ENOSPC};
    case 103: return {0, -1};
    default: return {};
  }
}

}  // namespace tessaly::test
