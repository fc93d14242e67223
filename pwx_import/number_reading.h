// How the PWX element readers take numbers from element text and attributes.
#pragma once

#include <cfloat>
#include <cstdint>
#include <string>
#include <string_view>

#include "pwx_import/workout_stream.h"
#include "util/number_text.h"

namespace tessaly {

// A real number in PWX syntax; 0 for anything that does not convert (empty text, not a number,
// a value beyond the range of a double). Inline for the common shape, which is always finite: a
// day's samples hold close to a million numbers.
double GeneralRealOrZero(std::string_view text);
inline double RealOrZero(std::string_view text) {
  double plain = 0.0;
  return ParsePlainDecimal(text, plain) ? plain : GeneralRealOrZero(text);
}
// The element's text as a real number; 0 when it holds anything but plain text.
double ElementReal(const xml::Node& element);
// The attribute's value as a real number; 0 when the attribute is missing.
double AttributeReal(const xml::Node& element, std::string_view name);

// Unit conversions are worked in extended precision and rounded once, when the value is stored.
// A result beyond the range of a double is kept at the largest finite value of its sign.
inline double StoreDouble(long double value) {
  if (value > static_cast<long double>(DBL_MAX)) return DBL_MAX;
  if (value < -static_cast<long double>(DBL_MAX)) return -DBL_MAX;
  return static_cast<double>(value);
}

}  // namespace tessaly
