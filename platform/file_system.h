// File-system questions asked with the host's 8-bit paths, and files read by them. On Windows every
// path goes through the wide functions in its \\?\ form, as the save's do, so whatever the plug-in
// can write it can also find and read back, however long its path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::platform {

// True for an existing regular file (not a folder or a device).
bool IsRegularFile(const char* path) noexcept;

// The size in bytes of the file at path; 0 when it cannot be told.
std::uint64_t FileByteCount(const char* path) noexcept;

// A file opened to be read from start to end. Others may go on reading, writing or removing it
// while it is open (Windows then removes it at the close, as POSIX systems do at once).
class FileReader {
 public:
  explicit FileReader(const char* path) noexcept;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  bool IsOpen() const noexcept { return file_ != kClosed; }
  // Reads up to size bytes into buffer: how many it read, 0 at the end of the file or on failure.
  std::size_t Read(char* buffer, std::size_t size) noexcept;
  // The system's own code for a failed open or read (errno; GetLastError() on Windows), 0 for none.
  int Error() const noexcept { return error_; }

 private:
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t file_ = kClosed;  // the descriptor, or the Windows handle
  int error_ = 0;
};

}  // namespace tessaly::platform
