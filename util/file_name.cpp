#include "util/file_name.h"

#include "platform/codepage.h"

namespace tessaly {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// Calls take(i) for the start of each character of the host path, in order.
template <class Take>
void ForEachCharacter(std::string_view path, Take take) {
  for (std::size_t i = 0; i < path.size(); i += platform::IsLeadByte(path[i]) && i + 1 < path.size() ? 2 : 1) take(i);
}

}  // namespace

std::size_t FileNameStart(std::string_view path) noexcept {
  std::size_t start = 0;
  ForEachCharacter(path, [&](std::size_t i) {
    if (IsSeparator(path[i])) start = i + 1;
  });
  return start;
}

std::size_t ExtensionStart(std::string_view path) noexcept {
  std::size_t dot = std::string_view::npos;
  ForEachCharacter(path, [&](std::size_t i) {
    if (IsSeparator(path[i])) dot = std::string_view::npos;
    if (path[i] == '.') dot = i;
  });
  return dot;
}

}  // namespace tessaly
