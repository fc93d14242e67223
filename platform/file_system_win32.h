// Paths for the wide file functions of the Windows layers.
#pragma once

#include <string>

namespace tessaly::platform {

// The absolute form of a path, with the \\?\ prefix that lifts the MAX_PATH limit from the wide
// functions; "" for what is no path to a file on a drive or a share (a device name such as "nul").
std::wstring LongFullPath(const std::wstring& path);

}  // namespace tessaly::platform
