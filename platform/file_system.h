// File-system questions asked with the host's 8-bit paths.
#pragma once

namespace tessaly::platform {

// True for an existing regular file (not a folder or a device).
bool IsRegularFile(const char* path) noexcept;

}  // namespace tessaly::platform
