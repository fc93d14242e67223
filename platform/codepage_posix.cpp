// Host text here is UTF-8. A byte that does not belong to a valid UTF-8 sequence is taken as the
// Latin-1 character of that value, so any host text becomes valid UTF-8.
#include <cstdint>

#include "platform/codepage.h"

namespace tessaly::platform {
namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one.
std::size_t ValidSequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t b0 = byte(i);
  if (b0 < 0x80) return 1;
  std::size_t n;
  std::uint32_t min;
  std::uint32_t cp;
  if ((b0 & 0xE0) == 0xC0) { n = 2; min = 0x80; cp = b0 & 0x1Fu; }
  else if ((b0 & 0xF0) == 0xE0) { n = 3; min = 0x800; cp = b0 & 0x0Fu; }
  else if ((b0 & 0xF8) == 0xF0) { n = 4; min = 0x10000; cp = b0 & 0x07u; }
  else return 0;
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string HostTextToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = ValidSequenceLength(text, i);
    if (n > 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      const auto b = static_cast<std::uint8_t>(text[i++]);
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

std::string Utf8ToHostText(std::string_view utf8) { return std::string(utf8); }

bool HostTextIsUtf8() noexcept { return true; }

bool IsLeadByte(char) noexcept { return false; }

}  // namespace tessaly::platform
