// The two sport-type numberings: the one read from PWX text and the one written to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

// Exact, case-sensitive lookup of the whole text; nullopt when the text has no entry.
std::optional<std::uint8_t> SportCodeFromPwxText(std::string_view text);

// Text for a code; every code without a row of its own gives "Other".
std::string_view PwxTextFromSportCode(std::uint8_t code);

}  // namespace tessaly
