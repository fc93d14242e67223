// Files the tool makes for one run (a workout unpacked from a .pwx.gz, a copy of standard input, an
// output held until it goes to standard output) and hands the plug-in by path. They live in a
// folder of the tool's own in the system's temporary folder, which, like each file, only the user
// may enter or read (mode 0700 and 0600; an access list of the user alone on Windows). Nothing of
// them outlives the run: a file goes when its object goes, and when the run is interrupted (Ctrl-C,
// TERM, HUP; on Windows the console's Ctrl-C, Ctrl-Break and close events), and the folder with the
// last of them. A run killed outright leaves its file behind for the next run to remove: each run
// holds its files (a lock; on Windows an open handle) until they go, so a file that no one holds is
// a leftover, and a live run's is never taken. A file named after one of them, its name and an
// extension (what the plug-in writes beside a held file), stays while that file is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaly::tool {

class PrivateFile {
 public:
  PrivateFile() = default;
  ~PrivateFile();
  PrivateFile(const PrivateFile&) = delete;
  PrivateFile& operator=(const PrivateFile&) = delete;

  // Makes a new empty file whose name ends with suffix, first removing the leftovers of killed
  // runs. False, with the reason, when it cannot be made.
  bool Create(const std::string& suffix, std::string& error);
  // Appends size bytes; false, with the system's words, when they cannot all be written.
  bool Write(const char* data, std::size_t size, std::string& error);
  // Bytes the file's disk has free for the user; the largest number when it cannot be told.
  std::uint64_t FreeBytes() const;
  // The file's host path, as the plug-in is handed it; empty before Create.
  const std::string& Path() const { return path_; }

 private:
  // Create's work, once an interruption's handler is in place (and natively, waits).
  bool Make(const std::string& suffix, int slot, std::string& error);

  std::string path_;
  std::intptr_t handle_ = -1;  // the descriptor, or the Windows handle
  int slot_ = -1;              // where the interruption handler finds the path
};

}  // namespace tessaly::tool
