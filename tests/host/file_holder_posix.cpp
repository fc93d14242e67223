#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "host_round.h"

namespace tessaly::test {

const bool kSharingBinds = false;

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

}  // namespace tessaly::test
