// Text as XML element content. Header-only with no dependency, so the command-line host shares it
// without linking the core.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Appends text with "&", "<" and ">" written as entities; every other byte as it is.
inline void AppendXmlEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
}

}  // namespace tessaly
