// Host text here is UTF-8; a byte that is not part of valid UTF-8 is a Latin-1 character.
#include <gtest/gtest.h>

#include <string>

#include "document_check.h"
#include "export_test_support.h"
#include "pwx_export/pwx_writer.h"

namespace tessaly {
namespace {

TEST(XmlElementTextPosix, ValidUtf8StaysAndStrayBytesBecomeLatin1) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"Zo\xC3\xAB", "Zo\xC3\xAB"},                     // valid UTF-8 as it is
      {"Zo\xEB", "Zo\xC3\xAB"},                         // Latin-1 e with diaeresis
      {"\xE2\x82\xAC 5 & up", "\xE2\x82\xAC 5 &amp; up"},  // euro sign, then markup
      {"\xC3", "\xC3\x83"},                             // a cut-off sequence
      {"\xF0\x9F\x9A\xB4", "\xF0\x9F\x9A\xB4"},         // beyond the basic plane
      {"a\xEF\xBF\xBE" "b\xEF\xBF\xBF", "ab"},          // U+FFFE, U+FFFF: no XML may hold them
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate is no UTF-8: three Latin-1 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(XmlElementText(c.in), c.out);
  }
}

TEST(XmlElementTextPosix, NamesAndCommentsWithForbiddenCharactersStillMakeAWellFormedDocument) {
  PluginState s = test::FreshState();
  s.Workout.UserName = "Zo\xEF\xBF\xBE";
  s.Workout.Comment = "ok\xEF\xBF\xBF\x02 done";
  const std::string doc = test::Document(s);  // parsed and imported again there
  EXPECT_NE(doc.find("      <name>Zo</name>\r\n"), std::string::npos);
  EXPECT_NE(doc.find("    <cmt>ok done</cmt>\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
