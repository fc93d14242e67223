// The element tree under the readers: what is a node, what is text, which documents are refused.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "import_test_support.h"
#include "platform/codepage.h"
#include "pwx_import/workout_stream.h"

namespace tessaly {
namespace {

using test::TreeVisitor;
using test::WorkoutChild;
using xml::LoadResult;

LoadResult Load(const std::string& document) {
  TreeVisitor visitor;
  return test::ReadDocument(document, visitor);
}

std::vector<std::string> VisitedNames(const std::string& document, LoadResult* result) {
  std::vector<std::string> names;
  TreeVisitor visitor;
  visitor.OnVisit = [&](const xml::Node& e) {
    names.push_back(e.Name());
    return true;
  };
  *result = test::ReadDocument(document, visitor);
  return names;
}

// The text of the last workout child.
std::string LastText(const std::string& document, LoadResult* result) {
  std::string text;
  TreeVisitor visitor;
  visitor.OnVisit = [&](const xml::Node& e) {
    text = std::string(e.Text());
    return true;
  };
  *result = test::ReadDocument(document, visitor);
  return text;
}

TEST(WorkoutStream, TextElementsAndChildNodes) {
  struct Case {
    const char* Snippet;
    bool IsText;
    const char* Text;
    std::size_t Children;
  };
  const Case cases[] = {
      {"<hr>150</hr>", true, "150", 1},
      {"<hr>  150 \n</hr>", true, "  150 \n", 1},
      {"<hr>   \n\t </hr>", false, "", 0},             // whitespace only: no child at all
      {"<hr/>", false, "", 0},
      {"<hr>1<!-- c -->50</hr>", false, "", 3},         // text, comment, text
      {"<hr><!-- c -->150</hr>", false, "", 2},
      {"<hr><![CDATA[150]]></hr>", false, "", 1},       // a CDATA section is not a text node
      {"<hr> <![CDATA[150]]> </hr>", false, "", 1},
      {"<hr><?pi data?>150</hr>", false, "", 2},
      {"<hr><b>150</b></hr>", false, "", 1},
      {"<cmt>a &amp; b &lt;c&gt; &#65;&#x42;</cmt>", true, "a & b <c> AB", 1},
      {"<cmt>x\r\ny</cmt>", true, "x\ny", 1},            // line ends as XML defines them
      {"<a> \n <b/>\n</a>", false, "", 1},               // whitespace around an element is no node
      {"<a>t<b/></a>", false, "", 2},                     // text before it is
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Snippet);
    const xml::Node e = WorkoutChild(c.Snippet);
    EXPECT_EQ(e.IsTextElement(), c.IsText);
    EXPECT_EQ(e.Text(), c.Text);
    EXPECT_EQ(e.Children().size(), c.Children);
  }
}

TEST(WorkoutStream, NodeKindsAndNames) {
  const xml::Node e = WorkoutChild("<pwx:Sample a='1'>t<!--c--><![CDATA[d]]><?target data?><x:Y/></pwx:Sample>");
  EXPECT_EQ(e.Name(), "pwx:Sample");  // the prefix and the case as written
  ASSERT_EQ(e.Children().size(), 5u);
  const char* names[] = {"#text", "#comment", "#cdata-section", "target", "x:Y"};
  const char* texts[] = {"t", "c", "d", "data", ""};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(e.Children()[i].IsElement(), i == 4);
    EXPECT_EQ(e.Children()[i].Name(), names[i]);
    EXPECT_EQ(e.Children()[i].Text(), texts[i]);
  }
}

TEST(WorkoutStream, AttributesMatchExactly) {
  const xml::Node e = WorkoutChild("<hr max=\"180\" AVG='140' x:min=\"1\" empty=\"\"/>");
  ASSERT_NE(e.Attribute("max"), nullptr);
  EXPECT_EQ(*e.Attribute("max"), "180");
  EXPECT_EQ(e.Attribute("avg"), nullptr);  // written AVG
  EXPECT_EQ(e.Attribute("min"), nullptr);  // written x:min
  ASSERT_NE(e.Attribute("x:min"), nullptr);
  ASSERT_NE(e.Attribute("empty"), nullptr);
  EXPECT_EQ(*e.Attribute("empty"), "");
}

TEST(WorkoutStream, OnlyChildrenOfWorkoutChildrenOfTheRootAreVisited) {
  struct Case {
    const char* Document;
    std::vector<std::string> Names;
  };
  const Case cases[] = {
      {"<pwx><workout><a/><b><c/></b></workout></pwx>", {"a", "b"}},
      {"<PWX><WorkOut><a/></WorkOut><other><d/></other><workout><e/></workout></PWX>", {"a", "e"}},
      {"<anything><workout><a/></workout></anything>", {"a"}},               // any root element
      {"<workout><a/></workout>", {}},                                        // root itself a workout
      {"<pwx><p:workout><a/></p:workout></pwx>", {}},                         // prefixed: not a workout
      {"<pwx><x><workout><a/></workout></x></pwx>", {}},                      // too deep
      {"<pwx><workout>text<!--c--><?p d?><a/></workout></pwx>", {"a"}},        // elements only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Document);
    LoadResult result{};
    EXPECT_EQ(VisitedNames(c.Document, &result), c.Names);
    EXPECT_EQ(result, LoadResult::Loaded);
  }
}

TEST(WorkoutStream, SkippedChildrenAreNotBuiltAndAStoppedVisitStillChecksTheRest) {
  struct SamplesOnly final : xml::WorkoutVisitor {
    std::vector<std::string> Names;
    bool Broken = false;
    xml::ChildReading Open(const char* name) override {
      return std::string_view(name) == "sample" ? xml::ChildReading::Tree : xml::ChildReading::Skip;
    }
    bool Visit(const xml::Node& e) override {
      Names.push_back(e.Name() + "/" + std::to_string(e.Children().size()));
      return Names.size() < 2;
    }
    void Field(const char*, std::string_view) override {}
    bool Close() override { return true; }
  };
  SamplesOnly ok;
  EXPECT_EQ(test::ReadDocument("<pwx><workout><sample/><athlete><n/></athlete><sample><a/></sample><sample/>"
                               "</workout></pwx>",
                               ok),
            LoadResult::Loaded);
  EXPECT_EQ(ok.Names, (std::vector<std::string>{"sample/0", "sample/1"}));

  SamplesOnly broken;
  EXPECT_EQ(test::ReadDocument("<pwx><workout><sample/><sample/><sample/></workout><oops></pwx>", broken),
            LoadResult::NotWellFormed);
  EXPECT_EQ(broken.Names.size(), 2u);
}

TEST(WorkoutStream, ExceptionsFromAVisitReachTheCaller) {
  TreeVisitor visitor;
  visitor.OnVisit = [](const xml::Node&) -> bool { throw std::runtime_error("visit"); };
  EXPECT_THROW(test::ReadDocument("<pwx><workout><a/></workout></pwx>", visitor), std::runtime_error);
}

TEST(WorkoutStream, DocumentsThatAreNotWellFormedAreRefused) {
  const std::string cases[] = {
      "",
      "   ",
      "<pwx><workout></pwx>",
      "<pwx><workout><hr>1</HR></workout></pwx>",
      "<pwx/><pwx/>",
      "<pwx></pwx>trailing",
      "<pwx a='1' a='2'/>",
      "<pwx a=1/>",
      "<pwx a='<'/>",
      "<pwx>&nbsp;</pwx>",                      // undefined entity: there is no DTD
      "<pwx>a & b</pwx>",
      "<pwx>&#0;</pwx>",
      "<pwx>&#xD800;</pwx>",
      "<pwx>\x01</pwx>",
      "<pwx>\xC0\xAF</pwx>",                     // overlong UTF-8
      "<pwx>\xED\xA0\x80</pwx>",                 // a surrogate in UTF-8
      "<pwx>\xE2\x82</pwx>",                     // cut multi-byte sequence
      "<pwx>\xFF</pwx>",
      " <?xml version=\"1.0\"?><pwx/>",           // declaration not at the start
      "<?xml version=\"1.0\" encoding=\"x-unknown\"?><pwx/>",
      "<pwx><workout><sample><hr>1</hr></sample><sample>",  // ends after some samples
  };
  for (const std::string& doc : cases) {
    SCOPED_TRACE(doc);
    EXPECT_EQ(Load(doc), LoadResult::NotWellFormed);
  }
}

TEST(WorkoutStream, DocumentTypeDeclarationsAreRefused) {
  const std::string cases[] = {
      "<!DOCTYPE pwx><pwx/>",
      "<!DOCTYPE pwx [<!ENTITY e \"x\">]><pwx><workout><cmt>&e;</cmt></workout></pwx>",
      "<!DOCTYPE pwx SYSTEM \"/etc/passwd\"><pwx/>",
      "<?xml version=\"1.0\"?>\n<!DOCTYPE pwx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]><pwx>&b;</pwx>",
  };
  for (const std::string& doc : cases) {
    SCOPED_TRACE(doc);
    LoadResult result{};
    EXPECT_TRUE(VisitedNames(doc, &result).empty());
    EXPECT_EQ(result, LoadResult::DoctypeRefused);
  }
}

std::string Nested(int depth) {
  std::string doc;
  for (int i = 0; i < depth; ++i) doc += "<e>";
  for (int i = 0; i < depth; ++i) doc += "</e>";
  return doc;
}

TEST(WorkoutStream, NestingDepthIsLimited) {
  EXPECT_EQ(Load(Nested(xml::kMaxDepth)), LoadResult::Loaded);
  EXPECT_EQ(Load(Nested(xml::kMaxDepth + 1)), LoadResult::TooDeep);
  EXPECT_EQ(Load(Nested(100000)), LoadResult::TooDeep);
  // Inside a built subtree as well.
  std::string deep = "<pwx><workout>" + Nested(xml::kMaxDepth) + "</workout></pwx>";
  EXPECT_EQ(Load(deep), LoadResult::TooDeep);
}

TEST(WorkoutStream, EncodingsReachTheReadersAsHostText) {
  const std::string eAcute = platform::Utf8ToHostText("\xC3\xA9");
  const std::string euro = platform::Utf8ToHostText("\xE2\x82\xAC");
  struct Case {
    const char* Name;
    std::string Document;
    std::string Text;
  };
  std::string utf16le = std::string("\xFF\xFE", 2);
  for (char c : std::string("<pwx><workout><cmt>caf\xE9</cmt></workout></pwx>")) {
    utf16le += c;
    utf16le += '\0';
  }
  std::string utf16be = std::string("\xFE\xFF", 2);
  for (char c : std::string("<pwx><workout><cmt>\x20\xAC</cmt></workout></pwx>")) {
    // every character below U+0100 is one byte here; the euro sign is written as its two bytes
    utf16be += '\0';
    utf16be += c;
  }
  // Fix the euro sign: the loop above wrote 00 20 00 AC for U+20AC.
  const std::size_t at = utf16be.find(std::string("\0\x20\0\xAC", 4));
  ASSERT_NE(at, std::string::npos);
  utf16be.replace(at, 4, std::string("\x20\xAC", 2));
  const Case cases[] = {
      {"UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><pwx><workout><cmt>caf\xC3\xA9</cmt></workout></pwx>",
       "caf" + eAcute},
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><pwx><workout><cmt>caf\xE9</cmt></workout></pwx>",
       "caf" + eAcute},
      {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><pwx><workout><cmt>caf\xE9 \x80</cmt></workout></pwx>",
       "caf" + eAcute + " " + euro},
      {"Windows-1252 name", "<?xml version=\"1.0\" encoding=\"Windows-1252\"?><pwx><workout><cmt>\x80</cmt></workout></pwx>",
       euro},
      {"UTF-16LE", utf16le, "caf" + eAcute},
      {"UTF-16BE", utf16be, euro},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LoadResult result{};
    EXPECT_EQ(LastText(c.Document, &result), c.Text);
    EXPECT_EQ(result, LoadResult::Loaded);
  }
}

TEST(WorkoutStream, EncodingAliasesDecodeAsTheEncodingTheyName) {
  // 0x80 tells the two apart: U+0080 in ISO-8859-1, the euro sign in windows-1252.
  const std::string latin1 = platform::Utf8ToHostText("\xC2\x80\xC3\xA9");
  const std::string windows1252 = platform::Utf8ToHostText("\xE2\x82\xAC\xC3\xA9");
  const std::pair<const char*, const std::string*> cases[] = {
      {"latin1", &latin1},       {"L1", &latin1},          {"ISO_8859-1", &latin1},
      {"iso-ir-100", &latin1},   {"IBM819", &latin1},      {"cp819", &latin1},
      {"csISOLatin1", &latin1}, {"iso-8859-1", &latin1},
      {"cp1252", &windows1252},  {"CP1252", &windows1252}, {"x-cp1252", &windows1252},
      {"WINDOWS-1252", &windows1252},
  };
  for (const auto& [encoding, expected] : cases) {
    SCOPED_TRACE(encoding);
    const std::string doc = std::string("<?xml version=\"1.0\" encoding=\"") + encoding +
                            "\"?><pwx><workout><cmt>\x80\xE9</cmt></workout></pwx>";
    LoadResult result{};
    EXPECT_EQ(LastText(doc, &result), *expected);
    EXPECT_EQ(result, LoadResult::Loaded);
  }
  for (const char* unknown : {"latin-1x", "cp1251", "iso-8859-2", "l2", "ibm8190"}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(Load(std::string("<?xml version=\"1.0\" encoding=\"") + unknown + "\"?><pwx/>"),
              LoadResult::NotWellFormed);
  }
}

TEST(WorkoutStream, MissingFilesAreUnreadable) {
  const std::string path = test::TempDir() + "/no-such-file.pwx";
  TreeVisitor visitor;
  EXPECT_EQ(xml::ReadWorkoutFile(path.c_str(), visitor), LoadResult::Unreadable);
  EXPECT_EQ(xml::ReadWorkoutFile(nullptr, visitor), LoadResult::Unreadable);
}

}  // namespace
}  // namespace tessaly
