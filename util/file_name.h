// The extension of a host path: from the last dot of the file name on.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessaly {

// Position of the dot that starts the extension, or npos when the file name has none. The file
// name starts after the last backslash, slash or colon.
std::size_t ExtensionStart(std::string_view path) noexcept;

}  // namespace tessaly
