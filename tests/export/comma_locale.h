// A C library locale whose decimal separator is a comma, for as long as the object lives. It
// depends on the locales this machine has (or can build), so the tests using it carry the ctest
// label "locale". On leaving, the locale and the environment are as they were before.
#pragma once

#include <string>

namespace tessaly::test {

class CommaLocale {
 public:
  CommaLocale();
  ~CommaLocale();
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool Active() const { return active_; }

 private:
  std::string saved_locale_;
  bool active_ = false;
  // Set only where the locale had to be built for this run (see the POSIX backend).
  bool had_locpath_ = false;
  bool set_locpath_ = false;
  std::string saved_locpath_;
};

// True when the C library now uses a comma as its decimal separator.
bool CommaInForce();

}  // namespace tessaly::test
