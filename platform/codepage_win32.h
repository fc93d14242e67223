// Host text as Windows' own UTF-16, for the wide functions of the Windows layers.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::platform {

// Text in the ANSI code page as UTF-16; "" when it cannot be converted.
std::wstring AnsiToWide(std::string_view text);

}  // namespace tessaly::platform
