// Saving a whole file without ever destroying an existing one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessaly::platform {

// How a save ended, and if it failed, why: the system's own error code (errno; GetLastError() on
// Windows), 0 where the system gave none (natively, a target that is neither a plain file nor a
// folder).
enum class SaveOutcome : std::uint8_t {
  Saved,
  Refused,  // the target is nothing a plain write would write: a folder, a read-only file, no folder
  Failed,   // creating, writing or putting the new file in place failed: a full disk, an I/O error
};
struct SaveResult {
  SaveOutcome Outcome = SaveOutcome::Saved;
  int SystemError = 0;
};

// A new file written piece by piece into a temporary file, which replaces the target in one step
// only when committed. Until then, and whenever anything fails, an existing target is left as it
// was, and no temporary file is left behind.
//
// What is saved is the file the target names: a link is followed and the file it points to is
// written. A target is refused when a plain write would be (a read-only file, a folder, a folder
// that does not exist) and when it ends in a separator. A replaced file keeps its attributes,
// and its mode and owner where the system lets us; where replacing would change what the file is
// (another owner, other names for it) or the folder takes no new name, the finished document is
// copied into the target instead, after the room for it has been taken on the disk: a disk too
// full for it fails the save before the target's first byte changes, so that only a kill during
// the copy itself can cut the file. Each save also removes the leftovers of saves that were cut
// short in the target's folder (temporary_file_name.h).
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& target) noexcept;
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False once anything has failed, the opening included; a failed file takes nothing more.
  bool Write(std::string_view bytes) noexcept;
  // Makes the written bytes durable and puts them in the target's place: Saved only then,
  // otherwise the first failure of the save.
  SaveResult Commit() noexcept;
  // Why the save failed, once a Write has answered false; while the file still takes bytes, a
  // failure with no system reason (what a save abandoned for a reason of the caller's is).
  SaveResult Failure() const noexcept { return spool_ ? SaveResult{SaveOutcome::Failed, 0} : failure_; }

  // The backend's temporary file and what it found out about the target; each backend defines it.
  struct Spool;

 private:
  std::unique_ptr<Spool> spool_;  // null once anything has failed or the file is committed
  SaveResult failure_{SaveOutcome::Failed, 0};  // why spool_ is null before Commit
};

// Leaves code as the calling thread's last system error (errno; SetLastError on Windows), the one
// way a host learns why a call that answers only 0 or 1 failed.
void SetLastSystemError(int code) noexcept;

}  // namespace tessaly::platform
