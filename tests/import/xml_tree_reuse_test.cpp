// Workout children one after another: each shows only its own nodes, whatever the ones before
// it held, and a copy kept after the read shows the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "pwx_import/xml_tree.h"

namespace tessaly {
namespace {

using xml::LoadResult;
using xml::NodeKind;

const char* KindName(NodeKind kind) {
  switch (kind) {
    case NodeKind::Element: return "E";
    case NodeKind::Text: return "T";
    case NodeKind::CData: return "C";
    case NodeKind::Comment: return "M";
    case NodeKind::ProcessingInstruction: return "P";
  }
  return "?";
}

// Kind, name, the attributes asked about, text and children, nested in brackets.
std::string Describe(const xml::Node& node) {
  std::string out = KindName(node.Kind());
  out += ":" + node.Name();
  for (const char* attribute : {"a", "b", "id"}) {
    if (const std::string* value = node.Attribute(attribute)) out += " " + std::string(attribute) + "=" + *value;
  }
  out += " '" + std::string(node.Text()) + "'";
  if (node.ChildCount() > 0) {
    out += " [";
    for (std::size_t k = 0; k < node.ChildCount(); ++k) {
      if (k > 0) out += ", ";
      out += Describe(node.Child(k));
    }
    out += "]";
  }
  return out;
}

struct Visited {
  std::vector<std::string> Live;   // described during the visit
  std::vector<xml::Node> Copies;   // kept, described after the read
};

Visited ReadAll(const std::string& workoutContent) {
  Visited v;
  const LoadResult result = xml::ReadWorkoutChildrenFromText(
      "<pwx><workout>" + workoutContent + "</workout></pwx>", [](std::string_view) { return true; },
      [&](const xml::Node& e) {
        v.Live.push_back(Describe(e));
        v.Copies.push_back(e);
        return true;
      });
  EXPECT_EQ(result, LoadResult::Loaded);
  return v;
}

TEST(XmlTreeReuse, EachChildShowsOnlyItsOwnNodes) {
  struct Case {
    const char* Name;
    std::vector<std::string> Children;  // workout children, read one after another
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {"fewer children, attributes and text than before",
       {"<s a='1' b='2'><hr>150</hr><cad>90<!--c--></cad><x/></s>", "<s><hr/></s>", "<s/>"},
       {"E:s a=1 b=2 '' [E:hr '150' [T:#text '150'], E:cad '' [T:#text '90', M:#comment 'c'], E:x '']",
        "E:s '' [E:hr '']", "E:s ''"}},
      {"a node of another kind in the same place",
       {"<a><![CDATA[x]]></a>", "<a>y</a>", "<a><!--z--></a>", "<a><?pi d?></a>", "<a>w</a>", "<a><b/></a>",
        "<a>v</a>"},
       {"E:a '' [C:#cdata-section 'x']", "E:a 'y' [T:#text 'y']", "E:a '' [M:#comment 'z']",
        "E:a '' [P:pi 'd']", "E:a 'w' [T:#text 'w']", "E:a '' [E:b '']", "E:a 'v' [T:#text 'v']"}},
      {"names, attributes and texts of another length or case",
       {"<Sample id='long-device-identifier'><TimeOffset>12345678901234567890</TimeOffset></Sample>",
        "<s id='d'><t>1</t></s>", "<S><T>  2 </T></S>"},
       {"E:Sample id=long-device-identifier '' [E:TimeOffset '12345678901234567890' [T:#text '12345678901234567890']]",
        "E:s id=d '' [E:t '1' [T:#text '1']]", "E:S '' [E:T '  2 ' [T:#text '  2 ']]"}},
      {"whitespace before a child element is no node, text before it is",
       {"<a> \n <b/></a>", "<a>t<b/></a>", "<a>\n<b/>\n</a>"},
       {"E:a '' [E:b '']", "E:a '' [T:#text 't', E:b '']", "E:a '' [E:b '']"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string content;
    for (const std::string& child : c.Children) content += child + "\n";
    const Visited v = ReadAll(content);
    EXPECT_EQ(v.Live, c.Expected);
    std::vector<std::string> copies;
    for (const xml::Node& copy : v.Copies) copies.push_back(Describe(copy));
    EXPECT_EQ(copies, c.Expected);
  }
}

TEST(XmlTreeReuse, NonAsciiNamesAndTextsAfterAsciiOnes) {
  const std::string eAcute = platform::Utf8ToHostText("\xC3\xA9");
  const Visited v = ReadAll("<a b='x'>e</a><\xC3\xA9 b='\xC3\xA9'>\xC3\xA9</\xC3\xA9><a b='x'>e</a>");
  ASSERT_EQ(v.Live.size(), 3u);
  EXPECT_EQ(v.Live[0], "E:a b=x 'e' [T:#text 'e']");
  EXPECT_EQ(v.Live[1], "E:" + eAcute + " b=" + eAcute + " '" + eAcute + "' [T:#text '" + eAcute + "']");
  EXPECT_EQ(v.Live[2], v.Live[0]);
}

TEST(XmlTreeReuse, ManyChildrenOfChangingShapeReadAlike) {
  // Wider and deeper workout children one after another, then small ones again.
  std::string content;
  std::vector<std::string> expected;
  for (int width : {1, 50, 3, 400, 0, 2000, 1}) {
    std::string child = "<w>";
    std::string description = "E:w ''";
    for (int k = 0; k < width; ++k) {
      child += "<c" + std::to_string(k % 7) + ">" + std::to_string(k) + "</c" + std::to_string(k % 7) + ">";
      description += (k == 0 ? " [" : ", ") + std::string("E:c") + std::to_string(k % 7) + " '" + std::to_string(k) +
                     "' [T:#text '" + std::to_string(k) + "']";
    }
    if (width > 0) description += "]";
    content += child + "</w>";
    expected.push_back(description);
  }
  const Visited v = ReadAll(content);
  EXPECT_EQ(v.Live, expected);
}

}  // namespace
}  // namespace tessaly
