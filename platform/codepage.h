// Host 8-bit text and UTF-8. Windows: the host's text is in the ANSI code page. Elsewhere the host
// text is UTF-8 already; bytes that are not valid UTF-8 are taken as Latin-1 characters.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::platform {

std::string HostTextToUtf8(std::string_view text);
// Whether host text is UTF-8 itself, so that UTF-8 from a document needs no conversion.
bool HostTextIsUtf8() noexcept;
// Characters the host's code page cannot hold become "?".
std::string Utf8ToHostText(std::string_view utf8);
// Whether the byte starts a two-byte character of the host's code page, whose second byte may be
// any, a backslash's included (Windows' ANSI page when it is double-byte, 932 and the like). Never
// in UTF-8, where no byte of a longer character is ASCII.
bool IsLeadByte(char byte) noexcept;

}  // namespace tessaly::platform
