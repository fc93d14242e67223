// An installed locale with a decimal comma; when none is installed, one is compiled for this run
// with localedef into the test's own folder and found through LOCPATH, which is put back after.
#include <clocale>
#include <cstdlib>
#include <string>

#include "comma_locale.h"
#include "test_support.h"

namespace tessaly::test {

bool CommaInForce() {
  const char* point = std::localeconv()->decimal_point;
  return point[0] == ',' && point[1] == '\0';
}

CommaLocale::CommaLocale() {
  const char* old = std::setlocale(LC_ALL, nullptr);
  saved_locale_ = old ? old : "C";
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr && CommaInForce()) {
      active_ = true;
      return;
    }
  }
  const std::string dir = TempDir() + "/locales";
  const std::string command = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                              "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(command.c_str()) == 0) {
    if (const char* locpath = std::getenv("LOCPATH")) {
      had_locpath_ = true;
      saved_locpath_ = locpath;
    }
    set_locpath_ = setenv("LOCPATH", dir.c_str(), 1) == 0;
    active_ = set_locpath_ && std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr && CommaInForce();
    if (active_) return;
  }
  std::setlocale(LC_ALL, saved_locale_.c_str());
}

CommaLocale::~CommaLocale() {
  std::setlocale(LC_ALL, saved_locale_.c_str());
  if (!set_locpath_) return;
  if (had_locpath_) {
    setenv("LOCPATH", saved_locpath_.c_str(), 1);
  } else {
    unsetenv("LOCPATH");
  }
}

}  // namespace tessaly::test
