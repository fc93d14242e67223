// Numbers as PWX text carries them: always a point as decimal separator, whatever the locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

// The pieces of the syntaxes below, shared by the inline common case and the rest.
namespace number_text {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// XML lets whitespace collapse around a number, so a pretty-printed "<hr>\n  142\n</hr>" is
// still 142: the four XML whitespace characters all count as blanks.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Both syntaxes open with optional blanks and an optional sign; returns where the number proper
// starts.
inline std::size_t SkipBlanksAndSign(std::string_view text, bool& negative) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  return pos;
}

// Powers of ten exact as doubles: 10^22 is the last one.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of the decimal digits from first to last, added to start.
template <class Integer>
Integer DigitsValue(const char* first, const char* last, Integer start) {
  for (; first != last; ++first) start = static_cast<Integer>(start * 10 + static_cast<unsigned>(*first - '0'));
  return start;
}

}  // namespace number_text

// The common shape of PWX numbers, "-12.345" with at most 19 digits and no exponent, when its
// digits form an integer of at most 2^53. That integer and the power of ten are then both exact
// doubles, so one division rounds the decimal value correctly, as std::from_chars would. False
// for anything else, which then takes the general route.
inline bool ParsePlainDecimal(std::string_view text, double& value) {
  using namespace number_text;
  bool negative = false;
  const char* const end = text.data() + text.size();
  const char* p = text.data() + SkipBlanksAndSign(text, negative);
  const char* const whole = p;
  while (p != end && IsDigit(*p)) ++p;
  const char* const wholeEnd = p;
  const char* fraction = p;
  if (p != end && *p == '.') {
    fraction = ++p;
    while (p != end && IsDigit(*p)) ++p;
  }
  const char* const fractionEnd = p;
  while (p != end && IsBlank(*p)) ++p;
  const auto count = (wholeEnd - whole) + (fractionEnd - fraction);
  if (p != end || count == 0 || count > 19) return false;
  double magnitude = 0.0;
  if (sizeof(std::size_t) < 8 && count <= 9) {
    // A 32-bit build adds up and converts 32-bit integers in single instructions, 64-bit ones
    // in several: nine digits or fewer in 32 bits make a day's import 2-3% faster in the DLL.
    // Taking this branch in a 64-bit build cost it 1.5-3.5%, so there every number goes below.
    const auto digits = DigitsValue(fraction, fractionEnd, DigitsValue(whole, wholeEnd, std::uint32_t{0}));
    magnitude = static_cast<double>(static_cast<std::int32_t>(digits));  // below 10^9
  } else {
    const auto digits = DigitsValue(fraction, fractionEnd, DigitsValue(whole, wholeEnd, std::uint64_t{0}));
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    if (digits > kExactLimit) return false;
    magnitude = static_cast<double>(digits);
  }
  if (fractionEnd != fraction) magnitude /= kExactPowersOfTen[fractionEnd - fraction];
  value = negative ? -magnitude : magnitude;
  return true;
}

// Blanks are the XML whitespace characters: space, tab, CR and LF.
// Real syntax: optional blanks, optional sign, digits with an optional point and fraction (at
// least one digit; the point may lead or trail), optional exponent, optional blanks, nothing else.
// nullopt is a conversion failure. Tries ParsePlainDecimal first.
std::optional<double> ParseReal(std::string_view text);

// Integer syntax: optional leading blanks, optional sign, then decimal digits or, after "$", "x",
// "X", "0x" or "0X", hexadecimal digits; nothing after; must fit a signed 32-bit integer.
std::optional<std::int32_t> ParseInteger(std::string_view text);

}  // namespace tessaly
