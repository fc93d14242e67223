// The plug-in reads a workout from the path of a plain XML file. A gzip-compressed file, as many
// services hand out workouts (.pwx.gz), is unpacked into a temporary file first, and that file is
// removed again when the object goes.
#pragma once

#include <string>

namespace tessaly::tool {

// A fresh path in the system's temporary folder whose name ends with suffix; empty when there is
// no temporary folder.
std::string TemporaryPath(const std::string& suffix);

// The name without a last ".gz" (in any case): the name the plug-in is to judge.
std::string NameBeforeCompression(const std::string& name);

class PlainWorkoutFile {
 public:
  PlainWorkoutFile() = default;
  ~PlainWorkoutFile();
  PlainWorkoutFile(const PlainWorkoutFile&) = delete;
  PlainWorkoutFile& operator=(const PlainWorkoutFile&) = delete;

  // Makes the file at path readable for the plug-in: a plain file stays where it is, a gzip file
  // is unpacked. False, with a one-line reason that starts with path, when the file cannot be read
  // or unpacked, or is a zip archive.
  bool Open(const std::string& path, std::string& error);
  // What to hand the plug-in: the path itself, or the unpacked copy, named as the file was before
  // it was compressed (NAME.pwx.gz gives ...NAME.pwx).
  const std::string& Path() const { return plain_; }
  // A message about Path() made to name the file as the user gave it, path.
  void NameAsGiven(std::string& message, const std::string& path) const;

 private:
  std::string plain_;
  std::string temporary_;
};

}  // namespace tessaly::tool
