// Numbers as the tool prints them in JSON and CSV: the shortest text that reads back to the very
// same value of the field's own type, whatever the locale; and for people to read, with a fixed
// count of decimals.
#pragma once

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

namespace tessaly::tool {

// Shortest round-trip text of a float or a double (std::to_chars without a precision), so a float
// reads back as that float and a double as that double. "-0" keeps the sign of a negative zero.
template <class T>
std::string ShortestText(T value) {
  static_assert(std::is_floating_point_v<T>);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A value a device measured at a float's precision (an altitude, a temperature, a pedal figure): when
// it is a float's value exactly, the float's shortest text, so that a device's 18.2 written as
// 18.200000762939453 reads 18.2 again; otherwise the double's.
inline std::string FloatPrecisionText(double value) {
  if (std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max()) {
    const auto single = static_cast<float>(value);
    if (static_cast<double>(single) == value) return ShortestText(single);
  }
  return ShortestText(value);
}

// The same for JSON, which has no text for an infinity or a NaN, and whose readers take "-0" for
// the integer 0: a negative zero is written "-0.0" so that its sign survives.
template <class T>
std::string JsonNumberText(T value) {
  if (!std::isfinite(value)) return "null";
  if (value == 0 && std::signbit(value)) return "-0.0";
  return ShortestText(value);
}

// v with that many decimals, for the text and the picture; a value too long for that, its shortest
// text.
inline std::string Fixed(double v, int decimals) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : ShortestText(v);
}

}  // namespace tessaly::tool
