#include "util/file_name.h"

namespace tessaly {

std::size_t ExtensionStart(std::string_view path) noexcept {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return dot;
  const std::size_t separator = path.find_last_of("\\/:");
  if (separator != std::string_view::npos && separator > dot) return std::string_view::npos;
  return dot;
}

}  // namespace tessaly
