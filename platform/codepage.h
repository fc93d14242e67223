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

}  // namespace tessaly::platform
