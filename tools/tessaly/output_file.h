// The files the tool writes: which names it hands to the plug-in, what it refuses to replace, and
// the folders it makes.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "private_file.h"

namespace tessaly::tool {

// Why target is no name for the plug-in's export, starting with target; empty when it is one.
// The plug-in puts ".pwx" in place of any other extension, so only a name it keeps is taken, in any
// case where the system takes NAME.PWX and NAME.pwx for one file.
std::string PwxTargetRefusal(const std::string& target);

// Why output must not be written, starting with input: it is the input itself under some name.
// Empty when it is another file.
std::string InputReplacedRefusal(const std::string& input, const std::string& output);

// Makes the folder and its parents unless it is there. False, with the system's reason, when the
// folder is not there afterwards.
bool MakeFolder(const std::string& folder, std::string& error);
// The same for the folder a file is to be written in.
bool MakeFolderFor(const std::string& file, std::string& error);

// Writes the file at path whole through write, which answers whether all of it went out. False,
// with "cannot write PATH: " and the system's words for the failed write (or else the close), when
// it did not; no part of the file is then left behind.
bool WriteWholeFile(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error);

// Where the plug-in writes a workout meant for standard output ("-"): a file of the tool's own
// folder, whose bytes then go to the output; it goes when the object goes.
class StandardOutputFile {
 public:
  ~StandardOutputFile();
  // False, with the reason, when the file cannot be made.
  bool Open(std::string& error);
  // The name for the plug-in. Beside a held file of the tool's own rather than that file itself, as
  // the plug-in's save replaces the file it writes, which a held one refuses on Windows. Named after
  // the held file, it is no leftover while that is there; a run killed leaves both, for the runs
  // after it to remove.
  const std::string& Path() const { return path_; }
  // The file's bytes to out; false, with the reason, when they cannot be read. A failed write
  // stops the copy with its errno in writeError.
  bool CopyTo(std::FILE* out, std::string& error, int& writeError) const;

 private:
  PrivateFile held_;
  std::string path_;
};

}  // namespace tessaly::tool
