// A C runtime locale with a decimal comma, by the names Windows knows; nothing is built for the run.
#include <clocale>
#include <string>

#include "comma_locale.h"

namespace tessaly::test {

bool CommaInForce() {
  const char* point = std::localeconv()->decimal_point;
  return point[0] == ',' && point[1] == '\0';
}

CommaLocale::CommaLocale() {
  const char* old = std::setlocale(LC_ALL, nullptr);
  saved_locale_ = old ? old : "C";
  for (const char* name : {"German_Germany.1252", "German", "de-DE", "deu", "French_France.1252"}) {
    if (std::setlocale(LC_ALL, name) != nullptr && CommaInForce()) {
      active_ = true;
      return;
    }
  }
  std::setlocale(LC_ALL, saved_locale_.c_str());
}

CommaLocale::~CommaLocale() { std::setlocale(LC_ALL, saved_locale_.c_str()); }

}  // namespace tessaly::test
