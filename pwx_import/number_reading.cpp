#include "pwx_import/number_reading.h"

#include <cmath>

#include "util/number_text.h"

namespace tessaly {

double GeneralRealOrZero(std::string_view text) {
  const std::optional<double> value = ParseReal(text);
  if (!value || !std::isfinite(*value)) return 0.0;
  return *value;
}

double ElementReal(const xml::Node& element) { return RealOrZero(element.Text()); }

double AttributeReal(const xml::Node& element, std::string_view name) {
  const std::string* value = element.Attribute(name);
  return value != nullptr ? RealOrZero(*value) : 0.0;
}

}  // namespace tessaly
