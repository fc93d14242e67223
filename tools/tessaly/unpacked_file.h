// The plug-in reads a workout from the path of a plain XML file. A gzip-compressed file, as many
// services hand out workouts (.pwx.gz), is unpacked into a file of the tool's own first
// (private_file.h), which goes when the object goes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "private_file.h"

namespace tessaly::tool {

// The name without a last ".gz" (in any case): the name the plug-in is to judge.
std::string NameBeforeCompression(const std::string& name);

// The name standard input goes by where a file needs one: its copies, a batch's output.
inline constexpr std::string_view kStandardInputName = "standard-input.pwx";

// Where the path "-", standard input, is read from in this run. Its bytes are copied once into a file
// of the tool's own, which every "-" of the run then reads.
void UseStandardInput(std::FILE* in);
// That copy's path, the copy made at the first call of the run. False, with the system's words,
// when standard input cannot be read or copied.
bool StandardInputPath(std::string& path, std::string& error);

class PlainWorkoutFile {
 public:
  // Makes the file at path ("-": standard input) readable for the plug-in: a plain file stays where
  // it is, a gzip file is unpacked. False, with a one-line reason that starts with path, when it is
  // a folder, cannot be read or unpacked, or is a zip archive; asTheHost refuses a gzip file whose
  // name does not end in .gz, which the host would hand its plug-in as it is.
  bool Open(const std::string& path, std::string& error, bool asTheHost = false);
  // What to hand the plug-in: the path itself, or the unpacked copy, named as the file was before
  // it was compressed (NAME.pwx.gz gives ...NAME.pwx).
  const std::string& Path() const { return plain_; }
  // The name whose extension the plug-in judges: the path without a last .gz; for standard input,
  // which has no name of its own, its copy's.
  const std::string& Name() const { return name_; }
  // A message about Path() made to name the file as the user gave it, path.
  void NameAsGiven(std::string& message, const std::string& path) const;

 private:
  std::string plain_;
  std::string name_;
  std::string source_;  // what was read: the path, or the copy of standard input
  PrivateFile unpacked_;
};

}  // namespace tessaly::tool
