// Line templates fixed in the writer's code: they must write exactly what the same template given
// at run time writes, whatever the value, and the buffer must hold everything however it grows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "pwx_export/pwx_writer.h"
#include "util/number_format.h"

namespace tessaly {
namespace {

const double kReals[] = {
    0.0,
    -0.0,
    0.0125,
    0.0005,
    -0.0005,
    -0.0004,
    250.5,
    -250.5,
    8.0000006,
    -8.0000006,
    0.1 + 0.2,
    2.675,
    1.005,
    59.123456,
    -122.987654,
    999999.9999995,
    4398046511103.5,
    4398046511104.5,
    1e15,
    -1e300,
    std::numeric_limits<double>::max(),
    -std::numeric_limits<double>::max(),
    std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
};

// The fixed template beside the same template at run time, for one number of decimals.
template <PwxLinePattern P>
void ExpectSameReals(const char* pattern, int decimals) {
  for (const double v : kReals) {
    SCOPED_TRACE(std::string(pattern) + " with " + std::to_string(v));
    PwxLineWriter fixed;
    fixed.line<P>(v);
    PwxLineWriter runtime;
    runtime.line(pattern, {v});
    EXPECT_EQ(fixed.text(), runtime.text());
    // NaN and the infinities have no place in a document: 0 instead.
    EXPECT_EQ(fixed.text(), "<v>" + FormatFixed(std::isfinite(v) ? v : 0.0, decimals) + "</v>\r\n");
  }
}

TEST(PwxLineTemplate, RealsAsTheRuntimeTemplateWritesThem) {
  ExpectSameReals<"<v>%.0f</v>">("<v>%.0f</v>", 0);
  ExpectSameReals<"<v>%.1f</v>">("<v>%.1f</v>", 1);
  ExpectSameReals<"<v>%.2f</v>">("<v>%.2f</v>", 2);
  ExpectSameReals<"<v>%.3f</v>">("<v>%.3f</v>", 3);
  ExpectSameReals<"<v>%.4f</v>">("<v>%.4f</v>", 4);
  ExpectSameReals<"<v>%.5f</v>">("<v>%.5f</v>", 5);
  ExpectSameReals<"<v>%.6f</v>">("<v>%.6f</v>", 6);
}

TEST(PwxLineTemplate, IntegersOfEveryWidth) {
  struct Case {
    std::int64_t v;
    const char* expected;
  };
  const Case cases[] = {
      {0, "<n>0</n>\r\n"},
      {-12, "<n>-12</n>\r\n"},
      {255, "<n>255</n>\r\n"},
      {std::numeric_limits<std::int32_t>::min(), "<n>-2147483648</n>\r\n"},
      {std::numeric_limits<std::int64_t>::max(), "<n>9223372036854775807</n>\r\n"},
      {std::numeric_limits<std::int64_t>::min(), "<n>-9223372036854775808</n>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    PwxLineWriter fixed;
    fixed.line<"<n>%d</n>">(c.v);
    PwxLineWriter runtime;
    runtime.line("<n>%d</n>", {c.v});
    EXPECT_EQ(fixed.text(), c.expected);
    EXPECT_EQ(runtime.text(), c.expected);
  }
  PwxLineWriter bytes;
  bytes.line<"%d %d">(std::uint8_t{255}, std::int32_t{-1});
  EXPECT_EQ(bytes.text(), "255 -1\r\n");
}

TEST(PwxLineTemplate, SeveralPlaceholdersAndTheTextBetweenThem) {
  struct Case {
    const char* name;
    std::string (*make)();
    std::string expected;
  };
  const Case cases[] = {
      {"no placeholder", [] { PwxLineWriter w; w.line<"  <workout>">(); return w.text(); }, "  <workout>\r\n"},
      {"empty line", [] { PwxLineWriter w; w.line<"">(); return w.text(); }, "\r\n"},
      {"summary triple",
       [] { PwxLineWriter w; w.line<"      <hr max=\"%.3f\" min=\"%.3f\" avg=\"%.3f\"/>">(169.0, 0.0, 141.0); return w.text(); },
       "      <hr max=\"169.000\" min=\"0.000\" avg=\"141.000\"/>\r\n"},
      {"placeholders back to back", [] { PwxLineWriter w; w.line<"%d%s%.1f">(7, "x", 0.25); return w.text(); }, "7x0.3\r\n"},
      {"date and time", [] { PwxLineWriter w; w.line<"<time>%sT%s</time>">("2016-05-24", std::string("10:20:30")); return w.text(); },
       "<time>2016-05-24T10:20:30</time>\r\n"},
      {"text kept as given", [] { PwxLineWriter w; w.line<"<n>%s</n>">("%d & 100%"); return w.text(); }, "<n>%d & 100%</n>\r\n"},
      {"empty text", [] { PwxLineWriter w; w.line<"<cmt>%s</cmt>">(""); return w.text(); }, "<cmt></cmt>\r\n"},
      {"lines in order", [] { PwxLineWriter w; w.line<"a">(); w.line<"b %d">(1); w.line("c %d", {2}); return w.text(); },
       "a\r\nb 1\r\nc 2\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.make(), c.expected);
  }
}

// The buffer starts empty or with a small reservation and must keep every byte as it grows,
// also when one value alone is larger than everything written so far.
TEST(PwxLineTemplate, TheBufferKeepsEverythingAsItGrows) {
  struct Case {
    const char* name;
    std::size_t reservation;
    std::size_t lines;
  };
  const Case cases[] = {
      {"no reservation", 0, 20000},
      {"small reservation", 100, 20000},
      {"reservation too small by one byte", 0, 1},
  };
  const std::string big(1 << 20, 'x');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PwxLineWriter w;
    std::string expected;
    if (c.reservation > 0) w.reserve(c.reservation);
    for (std::size_t i = 0; i < c.lines; ++i) {
      w.line<"      <points>%d</points>">(i);
      expected += "      <points>" + std::to_string(i) + "</points>\r\n";
    }
    w.line<"<cmt>%s</cmt>">(big);
    expected += "<cmt>" + big + "</cmt>\r\n";
    w.line<"<lat>%.6f</lat>">(-std::numeric_limits<double>::max());
    expected += "<lat>" + FormatFixed(-std::numeric_limits<double>::max(), 6) + "</lat>\r\n";
    EXPECT_EQ(w.size(), expected.size());
    EXPECT_EQ(w.view(), expected);
  }
}

TEST(PwxLineTemplate, AFreshWriterHoldsNoText) {
  PwxLineWriter w;
  EXPECT_EQ(w.size(), 0u);
  EXPECT_TRUE(w.view().empty());
  EXPECT_EQ(w.text(), "");
  w.reserve(1 << 16);
  EXPECT_EQ(w.text(), "");
}

}  // namespace
}  // namespace tessaly
