// Numbers are read and written the same whatever locale the process runs in, and neither the
// reader nor the writer changes the locale. These are the only tests that switch locales; they
// run as their own ctest entry, labelled "locale", since the C library part depends on the
// locales this machine has.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <locale>
#include <optional>
#include <sstream>
#include <string>

#include "comma_locale.h"
#include "document_check.h"
#include "export_test_support.h"
#include "util/number_format.h"
#include "util/number_text.h"

namespace tessaly {
namespace {

// A workout whose every number has a fractional part somewhere.
PluginState FractionalWorkout() {
  PluginState s = test::FreshState();
  s.Workout.Summary.Distance = 12.3456;
  s.Workout.Summary.MaxSpeed = 333;
  s.Workout.Summary.AvgSpeed = 222;
  s.Workout.Summary.Duration = 10;
  test::PushSample(s, 0, {.TimeOffset = 0, .HeartRate = 120, .Speed = 23.45, .Distance = 0.01234, .Power = 201.7,
                          .PowerBalance = 52, .Cadence = 88, .Latitude = 47.123456, .Longitude = -8.654321,
                          .Altitude = 432.1, .Temperature = 19.5});
  SetLapDatasEx(s, test::MakeLap(10.5, 10.25, 0.0456));
  return s;
}

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

TEST(Locale, ACommaLocaleInTheCLibraryReachesNoNumber) {
  std::setlocale(LC_ALL, "C");
  PluginState plain = FractionalWorkout();
  const std::string baseline = test::Document(plain);
  ASSERT_NE(baseline.find("<dist>12345.60</dist>"), std::string::npos);
  const std::optional<std::string> locpath = Environment("LOCPATH");
  {
    test::CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma, and none could be built here";
    const std::string in_force = std::setlocale(LC_ALL, nullptr);

    EXPECT_EQ(ParseReal("1.5"), 1.5);
    EXPECT_EQ(ParseReal("-2.25e1"), -22.5);
    EXPECT_FALSE(ParseReal("1,5").has_value());
    EXPECT_EQ(ParseInteger("0x10"), 16);
    char text[kMaxFixedLength];
    EXPECT_EQ(std::string(text, WriteFixed(text, -1234.25, 1)), "-1234.3");
    EXPECT_EQ(std::string(text, WriteInteger(text, 1234567)), "1234567");

    PluginState s = FractionalWorkout();
    EXPECT_EQ(test::SavedDocument(s), baseline);
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), in_force);  // the writer left the locale alone
    EXPECT_TRUE(test::CommaInForce());
  }
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
  EXPECT_EQ(Environment("LOCPATH"), locpath);  // nothing of the switch outlives the test
}

struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(Locale, TheCppGlobalLocaleReachesNoNumber) {
  PluginState plain = FractionalWorkout();
  const std::string baseline = test::Document(plain);

  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  std::ostringstream probe;
  probe << 1234.5;
  const std::optional<double> parsed = ParseReal("1234.5");
  PluginState s = FractionalWorkout();
  const std::string doc = test::SavedDocument(s);
  std::ostringstream after;
  after << 1234.5;
  std::locale::global(previous);
  EXPECT_EQ(probe.str(), "1.234,5");  // the locale was in force
  EXPECT_EQ(parsed, 1234.5);
  EXPECT_EQ(doc, baseline);
  EXPECT_EQ(after.str(), "1.234,5");  // and still was after the export
}

}  // namespace
}  // namespace tessaly
