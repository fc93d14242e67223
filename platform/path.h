// The folder part of a path, shared by the file-saving layer and the command-line host.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// How a path separates its folders: Windows takes either slash and may open with a drive
// ("C:"); in a POSIX path only '/' separates and a colon or backslash is part of a name.
enum class PathStyle { Posix, Windows };

// The folder part of a path, in a form the file functions take: what comes before the last
// separator; the root itself ("/", "C:\") rather than an empty name or the drive's current
// folder "C:"; "." ("C:." on a drive) for a bare file name. Inline, so that the command-line
// host shares it without linking anything.
inline std::string FolderOf(std::string_view path, PathStyle style) {
  const bool windows = style == PathStyle::Windows;
  const std::size_t separator = windows ? path.find_last_of("\\/") : path.rfind('/');
  const bool drive = windows && path.size() >= 2 && path[1] == ':';
  if (separator == std::string_view::npos) return drive ? std::string(path.substr(0, 2)) + "." : std::string(".");
  if (separator == 0 || (drive && separator == 2)) return std::string(path.substr(0, separator + 1));
  return std::string(path.substr(0, separator));
}

}  // namespace tessaly
