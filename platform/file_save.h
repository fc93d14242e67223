// Saving a whole file without ever destroying an existing one.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tessaly::platform {

// A new file written piece by piece into a temporary file, which replaces the target in one step
// only when committed. Until then, and whenever anything fails, an existing target is left as it
// was, and no temporary file is left behind.
//
// What is saved is the file the target names: a link is followed and the file it points to is
// written. A target is refused when a plain write would be (a read-only file, a folder, a folder
// that does not exist) and when it ends in a separator. A replaced file keeps its attributes,
// and its mode and owner where the system lets us; where replacing would change what the file is
// (another owner, other names for it) or the folder takes no new name, the finished document is
// copied into the target instead. Each save also removes the leftovers of saves that were cut
// short in the target's folder: files named as ours (temporary_file_name.h) older than a day.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& target) noexcept;
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False once anything has failed, the opening included; a failed file takes nothing more.
  bool Write(std::string_view bytes) noexcept;
  // Makes the written bytes durable and puts them in the target's place. True only then.
  bool Commit() noexcept;

  // The backend's temporary file and what it found out about the target; each backend defines it.
  struct Spool;

 private:
  std::unique_ptr<Spool> spool_;  // null once anything has failed or the file is committed
};

}  // namespace tessaly::platform
