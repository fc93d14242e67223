// A C library locale with a decimal comma. When none is installed, one is compiled for this run
// with localedef into the test's own folder and found through LOCPATH.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "locale_check.h"
#include "test_support.h"

namespace tessaly {
namespace {

bool SetCommaLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) return true;
  }
  const std::string dir = test::TempDir() + "/locales";
  const std::string command = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir +
                              "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

TEST(ExportLocale, ACommaLocaleInTheCLibraryDoesNotReachTheDocument) {
  std::setlocale(LC_ALL, "C");
  PluginState plain = test::FractionalWorkout();
  const std::string baseline = test::Document(plain);
  if (!SetCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma, and localedef could not make one";
  test::ExpectDocumentUnaffectedByCurrentLocale(baseline);
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace tessaly
