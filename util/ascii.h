// ASCII case folding for names and extensions that PWX and host paths spell in any case (only A-Z
// fold: bytes of other letters stay as written, whatever the locale says), and the trimming of
// texts read from a document.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessaly {

constexpr char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether text equals a name already in lower case, ignoring the case of ASCII letters in text.
constexpr bool EqualsLowerAscii(std::string_view text, std::string_view lower) noexcept {
  if (text.size() != lower.size()) return false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (LowerAscii(text[k]) != lower[k]) return false;
  }
  return true;
}

// The text without blanks and control characters (every byte up to the space) at either end.
constexpr std::string_view Trimmed(std::string_view text) noexcept {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace tessaly
