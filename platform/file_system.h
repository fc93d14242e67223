// File-system questions asked with the host's 8-bit paths.
#pragma once

#include <cstdint>

namespace tessaly::platform {

// True for an existing regular file (not a folder or a device).
bool IsRegularFile(const char* path) noexcept;

// The size in bytes of the file at path; 0 when it cannot be told.
std::uint64_t FileByteCount(const char* path) noexcept;

}  // namespace tessaly::platform
