// Saving a whole file without ever destroying an existing one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::platform {

// A new file written piece by piece into a temporary file in the target's folder, which replaces
// the target in one step only when committed. Until then, and whenever anything fails, an
// existing target is left as it was; the temporary file is removed unless committed.
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

 private:
  void Discard() noexcept;

  std::string target_;
  std::string temp_;        // empty once removed or committed
  std::intptr_t file_ = -1;  // the backend's open handle; -1 once closed, failed or committed
};

}  // namespace tessaly::platform
