// A comma as decimal separator in the C++ global locale changes nothing in the document.
#include <gtest/gtest.h>

#include <locale>
#include <sstream>

#include "locale_check.h"

namespace tessaly {
namespace {

struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(ExportLocale, TheCppGlobalLocaleDoesNotReachTheDocument) {
  PluginState plain = test::FractionalWorkout();
  const std::string baseline = test::Document(plain);
  ASSERT_NE(baseline.find("<dist>12345.60</dist>"), std::string::npos);

  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  std::ostringstream probe;
  probe << 1234.5;
  EXPECT_EQ(probe.str(), "1.234,5");  // the locale is in force
  PluginState s = test::FractionalWorkout();
  const std::string doc = test::SavedDocument(s);
  std::ostringstream after;
  after << 1234.5;
  std::locale::global(previous);
  EXPECT_EQ(doc, baseline);
  EXPECT_EQ(after.str(), "1.234,5");  // and still is after the export
}

}  // namespace
}  // namespace tessaly
