// Host text here is in the ANSI code page; the document gets it in UTF-8.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "pwx_export/pwx_writer.h"

namespace tessaly {
namespace {

TEST(XmlElementTextWin32, AnsiTextBecomesUtf8) {
  if (GetACP() != 1252) GTEST_SKIP() << "the cases are written for code page 1252, this system uses " << GetACP();
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"Zo\xEB", "Zo\xC3\xAB"},                  // e with diaeresis
      {"\x80 5 & up", "\xE2\x82\xAC 5 &amp; up"},  // the euro sign of code page 1252
      {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"a\x01" "b\x1f" "c\x7f", "abc\x7f"},  // controls XML forbids are left out after the conversion
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(XmlElementText(c.in), c.out);
  }
}

}  // namespace
}  // namespace tessaly
