#include "util/number_text.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace tessaly {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// XML lets whitespace collapse around a number, so a pretty-printed "<hr>\n  142\n</hr>" is
// still 142: the four XML whitespace characters all count as blanks.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Both syntaxes open with optional blanks and an optional sign; returns where the number proper
// starts.
std::size_t SkipBlanksAndSign(std::string_view text, bool& negative) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  return pos;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Powers of ten exact as doubles: 10^22 is the last one.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Digits (with at most one point among them) from p on, gathered as an integer of at most 19
// digits; count and fraction say how many there were in all and after the point. Stops at the
// first other character.
template <class Integer>
const char* GatherDigits(const char* p, const char* end, Integer& digits, int& count, int& fraction) {
  for (; p != end && IsDigit(*p); ++p, ++count) digits = digits * 10 + static_cast<unsigned>(*p - '0');
  if (p != end && *p == '.') {
    ++p;
    for (; p != end && IsDigit(*p); ++p, ++fraction) digits = digits * 10 + static_cast<unsigned>(*p - '0');
    count += fraction;
  }
  return p;
}

// The common shape of PWX numbers, "-12.345" with at most 19 digits and no exponent, when its
// digits form an integer of at most 2^53. That integer and the power of ten are then both exact
// doubles, so one division rounds the decimal value correctly, as std::from_chars would. False
// for anything else, which then takes the general route. Up to nine digits (nearly every number)
// are gathered in 32 bits, where a 32-bit build needs no 64-bit arithmetic; longer ones are
// gathered again in 64.
bool ParsePlainDecimal(std::string_view text, double& value) {
  bool negative = false;
  const char* const digitsStart = text.data() + SkipBlanksAndSign(text, negative);
  const char* const end = text.data() + text.size();
  std::uint32_t head = 0;  // wraps beyond nine digits, and is then not used
  int count = 0;
  int fraction = 0;
  const char* p = GatherDigits(digitsStart, end, head, count, fraction);
  while (p != end && IsBlank(*p)) ++p;
  if (p != end || count == 0 || count > 19) return false;
  double magnitude = 0.0;
  if (count <= 9) {
    magnitude = static_cast<double>(static_cast<std::int32_t>(head));
  } else {
    std::uint64_t digits = 0;
    count = 0;
    fraction = 0;
    GatherDigits(digitsStart, end, digits, count, fraction);
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    if (digits > kExactLimit) return false;
    magnitude = static_cast<double>(digits);
  }
  if (fraction > 0) magnitude /= kExactPowersOfTen[fraction];
  value = negative ? -magnitude : magnitude;
  return true;
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
