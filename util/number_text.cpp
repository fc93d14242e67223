#include "util/number_text.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace tessaly {

namespace {

using number_text::IsBlank;
using number_text::IsDigit;
using number_text::SkipBlanksAndSign;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<double> ParseReal(std::string_view text) {
  double plain = 0.0;
  if (ParsePlainDecimal(text, plain)) return plain;
  // The syntax is checked here, by hand; std::from_chars then does the correctly rounded
  // conversion without looking at the locale.
  const std::size_t n = text.size();
  bool negative = false;
  std::size_t pos = SkipBlanksAndSign(text, negative);
  const std::size_t numberStart = pos;  // from_chars takes no "+", so the sign stays outside
  std::size_t digits = 0;
  // Where the leading non-zero digit sits: its 1-based place among the integer digits, or minus
  // its place among the fraction digits. Tells an overflow from an underflow below.
  long long leading = 0;
  long long intDigits = 0;
  bool seenPoint = false;
  long long fracDigits = 0;
  while (pos < n && (IsDigit(text[pos]) || (text[pos] == '.' && !seenPoint))) {
    if (text[pos] == '.') {
      seenPoint = true;
    } else {
      ++digits;
      if (seenPoint) ++fracDigits; else ++intDigits;
      if (leading == 0 && text[pos] != '0') leading = seenPoint ? -fracDigits : intDigits;
    }
    ++pos;
  }
  if (digits == 0) return std::nullopt;
  long long exponent = 0;
  if (pos < n && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool expNegative = false;
    if (pos < n && (text[pos] == '+' || text[pos] == '-')) {
      expNegative = text[pos] == '-';
      ++pos;
    }
    const std::size_t expStart = pos;
    while (pos < n && IsDigit(text[pos])) {
      if (exponent < 100000000) exponent = exponent * 10 + (text[pos] - '0');  // saturates
      ++pos;
    }
    if (pos == expStart) return std::nullopt;
    if (expNegative) exponent = -exponent;
  }
  const std::size_t numberEnd = pos;
  while (pos < n && IsBlank(text[pos])) ++pos;
  if (pos != n) return std::nullopt;

  double value = 0.0;
  const char* first = text.data() + numberStart;
  const char* last = text.data() + numberEnd;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small to represent reads as zero; too large is a failure.
    const long long order = (leading > 0 ? intDigits - leading : leading) + exponent;
    if (order > 0) return std::nullopt;
    value = 0.0;
  } else if (ec != std::errc() || ptr != last) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  const std::size_t n = text.size();
  bool negative = false;
  std::size_t pos = SkipBlanksAndSign(text, negative);
  int base = 10;
  if (pos < n && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
    base = 16;
    pos += 1;
  } else if (pos + 1 < n && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  // The magnitude may reach 2^31 for the most negative value; anything beyond fails.
  constexpr long long kLimit = 2147483648LL;
  long long magnitude = 0;
  const std::size_t digitsStart = pos;
  for (; pos < n; ++pos) {
    const int d = base == 16 ? HexValue(text[pos]) : (IsDigit(text[pos]) ? text[pos] - '0' : -1);
    if (d < 0) return std::nullopt;
    magnitude = magnitude * base + d;
    if (magnitude > kLimit) return std::nullopt;
  }
  if (pos == digitsStart) return std::nullopt;
  if (negative) return static_cast<std::int32_t>(-magnitude);
  if (magnitude == kLimit) return std::nullopt;
  return static_cast<std::int32_t>(magnitude);
}

}  // namespace tessaly
