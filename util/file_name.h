// The file name and extension of a host path.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessaly {

// Where the file name starts: after the last backslash, slash or colon, 0 when there is none, the
// path's length when it ends in one. The path is read character by character in the host's code
// page, so the second byte of a double-byte character (0x5C in code page 932) is no backslash.
std::size_t FileNameStart(std::string_view path) noexcept;

// Position of the dot that starts the extension (the last dot of the file name), or npos when
// the file name has none.
std::size_t ExtensionStart(std::string_view path) noexcept;

}  // namespace tessaly
