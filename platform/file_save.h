// Saving a whole file without ever destroying an existing one.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::platform {

// Writes bytes to a temporary file in the target's folder, then replaces the target with it in
// one step. On any failure the temporary file is removed, an existing target is left as it was,
// and the result is false.
bool SaveFileReplacing(const std::string& path, std::string_view bytes) noexcept;

}  // namespace tessaly::platform
