// Numbers as PWX text carries them: always a point as decimal separator, whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

// Blanks are the XML whitespace characters: space, tab, CR and LF.
// Real syntax: optional blanks, optional sign, digits with an optional point and fraction (at
// least one digit; the point may lead or trail), optional exponent, optional blanks, nothing else.
// nullopt is a conversion failure.
std::optional<double> ParseReal(std::string_view text);

// Integer syntax: optional leading blanks, optional sign, then decimal digits or, after "$", "x",
// "X", "0x" or "0X", hexadecimal digits; nothing after; must fit a signed 32-bit integer.
std::optional<std::int32_t> ParseInteger(std::string_view text);

}  // namespace tessaly
