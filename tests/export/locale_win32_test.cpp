// A C runtime locale with a decimal comma, by the names Windows knows.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "locale_check.h"

namespace tessaly {
namespace {

TEST(ExportLocale, ACommaLocaleInTheCRuntimeDoesNotReachTheDocument) {
  std::setlocale(LC_ALL, "C");
  PluginState plain = test::FractionalWorkout();
  const std::string baseline = test::Document(plain);
  bool set = false;
  for (const char* name : {"German_Germany.1252", "German", "de-DE", "deu", "French_France.1252"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      set = true;
      break;
    }
  }
  if (!set) GTEST_SKIP() << "the C runtime knows no locale with a decimal comma";
  test::ExpectDocumentUnaffectedByCurrentLocale(baseline);
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace tessaly
