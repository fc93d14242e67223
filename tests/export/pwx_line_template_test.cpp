// Line templates fixed in the writer's code: each placeholder filled in as the document needs it,
// every line ending in CR LF, and the pieces handed on adding up to every byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"

namespace tessaly {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <PwxLinePattern P, class... Args>
std::string Line(Args... values) {
  test::StringSink sink;
  PwxLineWriter w(sink);
  w.line<P>(values...);
  EXPECT_TRUE(w.Finish());
  return sink.text;
}

TEST(PwxLineTemplate, RealsWithTheTemplatesDecimalsAndZeroForWhatIsNotFinite) {
  struct Case {
    std::string (*write)(double);
    double v;
    const char* expected;
  };
  const Case cases[] = {
      {&Line<"<v>%.0f</v>", double>, 250.5, "<v>251</v>\r\n"},
      {&Line<"<v>%.0f</v>", double>, -250.5, "<v>-251</v>\r\n"},
      {&Line<"<v>%.0f</v>", double>, 4398046511104.5, "<v>4398046511105</v>\r\n"},
      {&Line<"<v>%.0f</v>", double>, -kInf, "<v>0</v>\r\n"},
      {&Line<"<v>%.1f</v>", double>, 0.1 + 0.2, "<v>0.3</v>\r\n"},
      {&Line<"<v>%.1f</v>", double>, kInf, "<v>0.0</v>\r\n"},
      {&Line<"<v>%.2f</v>", double>, 2.675, "<v>2.67</v>\r\n"},  // 2.67499999999999982...
      {&Line<"<v>%.2f</v>", double>, -0.0, "<v>0.00</v>\r\n"},
      {&Line<"<v>%.2f</v>", double>, 1e15, "<v>1000000000000000.00</v>\r\n"},
      {&Line<"<v>%.3f</v>", double>, 0.0125, "<v>0.013</v>\r\n"},
      {&Line<"<v>%.3f</v>", double>, -0.0004, "<v>-0.000</v>\r\n"},
      {&Line<"<v>%.3f</v>", double>, kNaN, "<v>0.000</v>\r\n"},
      {&Line<"<v>%.4f</v>", double>, 0.00005, "<v>0.0001</v>\r\n"},
      {&Line<"<v>%.5f</v>", double>, 12.3456789, "<v>12.34568</v>\r\n"},
      {&Line<"<v>%.6f</v>", double>, -8.0000006, "<v>-8.000001</v>\r\n"},
      {&Line<"<v>%.6f</v>", double>, -122.987654, "<v>-122.987654</v>\r\n"},
      {&Line<"<v>%.6f</v>", double>, std::numeric_limits<double>::denorm_min(), "<v>0.000000</v>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.write(c.v), c.expected);
  }
}

TEST(PwxLineTemplate, IntegersTextsAndTheLiteralTextBetweenThem) {
  struct Case {
    const char* name;
    std::string text;
    const char* expected;
  };
  const Case cases[] = {
      {"no placeholder", Line<"  <workout>">(), "  <workout>\r\n"},
      {"empty line", Line<"">(), "\r\n"},
      {"zero", Line<"<n>%d</n>">(0), "<n>0</n>\r\n"},
      {"negative", Line<"Lap %d">(-12), "Lap -12\r\n"},
      {"byte and int", Line<"%d %d">(std::uint8_t{255}, std::int32_t{-1}), "255 -1\r\n"},
      {"int32 min", Line<"<n>%d</n>">(std::numeric_limits<std::int32_t>::min()), "<n>-2147483648</n>\r\n"},
      {"int64 max", Line<"<n>%d</n>">(std::numeric_limits<std::int64_t>::max()), "<n>9223372036854775807</n>\r\n"},
      {"int64 min", Line<"<n>%d</n>">(std::numeric_limits<std::int64_t>::min()), "<n>-9223372036854775808</n>\r\n"},
      {"summary triple", Line<"      <hr max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(169.0, 0.0, 141.0),
       "      <hr max=\"169.000\" min=\"0.000\" avg=\"141.000\"/>\r\n"},
      {"placeholders back to back", Line<"%d%s%.1f">(7, "x", 0.25), "7x0.3\r\n"},
      {"date and time", Line<"<time>%sT%s</time>">("2016-05-24", std::string("10:20:30")),
       "<time>2016-05-24T10:20:30</time>\r\n"},
      {"text kept as given", Line<"<n>%s</n>">("%d & 100%"), "<n>%d & 100%</n>\r\n"},
      {"empty text", Line<"<cmt>%s</cmt>">(""), "<cmt></cmt>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text, c.expected);
  }
}

// Pieces handed on as the buffer fills must add up to every byte, also around a text larger than
// a whole piece and a number that does not fit the rest of the buffer.
TEST(PwxLineTemplate, ThePiecesAddUpToEveryLine) {
  const std::string big(PwxLineWriter::kPieceBytes + 1, 'x');
  // -DBL_MAX: its 18 significant digits, then zeros up to its 309 integer digits.
  const std::string lowest = "-179769313486231571" + std::string(291, '0') + ".000000";
  test::StringSink sink;
  PwxLineWriter w(sink);
  std::string expected;
  for (std::size_t i = 0; i < 20000; ++i) {
    w.line<"      <points>%d</points>">(i);
    expected += "      <points>" + std::to_string(i) + "</points>\r\n";
    if (i % 5000 == 0) {
      w.line<"<cmt>%s</cmt>">(big);
      w.line<"<lat>%.6f</lat>">(std::numeric_limits<double>::lowest());
      expected += "<cmt>" + big + "</cmt>\r\n<lat>" + lowest + "</lat>\r\n";
    }
  }
  EXPECT_TRUE(w.Finish());
  EXPECT_EQ(sink.text, expected);
}

}  // namespace
}  // namespace tessaly
