// Workout children read straight from the stream: the parser hands over exactly what the element
// tree would show.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "import_test_support.h"
#include "platform/codepage.h"
#include "pwx_import/workout_stream.h"

namespace tessaly {
namespace {

using xml::LoadResult;

// Streams workout children named "s" in any case and writes down what they hand over; builds
// the others.
class Recorder final : public xml::WorkoutVisitor {
 public:
  xml::ChildReading Open(const char* name) override {
    if (!xml::NameIs(name, "s")) return xml::ChildReading::Tree;
    Events.push_back("open");
    return xml::ChildReading::Stream;
  }
  bool Visit(const xml::Node& e) override {
    Built.push_back(e.Name() + "=" + std::string(e.Text()));
    return true;
  }
  void Field(const char* name, std::string_view text) override {
    Events.push_back(std::string(name) + "[" + std::string(text) + "]");
  }
  bool Close() override {
    Events.push_back("close");
    return KeepVisiting;
  }
  std::vector<std::string> Events;
  std::vector<std::string> Built;  // name=text of each built child
  bool KeepVisiting = true;
};

std::string Joined(const std::vector<std::string>& events) {
  std::string all;
  for (const std::string& e : events) all += e + " ";
  return all;
}

TEST(SampleStream, ChildTextsAsTheTreeShowsThem) {
  struct Case {
    const char* Content;   // of one <s> element
    std::string Expected;  // the events it gives
  };
  // Fields reach the reader as the file's UTF-8, whatever the host's code page.
  const std::string eAcute = "\xC3\xA9";
  const Case cases[] = {
      {"<a>1</a>", "open a[1] close "},
      {"<a>  1 \n</a>", "open a[  1 \n] close "},
      {"<a>   </a><b/><c></c>", "open a[] b[] c[] close "},
      {"<a>1<!-- c --></a>", "open a[] close "},
      {"<a><!-- c -->1</a>", "open a[] close "},
      {"<a>1<!-- c -->2</a>", "open a[] close "},
      {"<a> <!-- c --> </a>", "open a[] close "},
      {"<a><![CDATA[1]]></a>", "open a[] close "},
      {"<a>1<![CDATA[]]></a>", "open a[] close "},
      {"<a><?pi x?>1</a>", "open a[] close "},
      {"<a>1<b>2</b></a>", "open a[] close "},
      {"<a><b><c>2</c></b></a><d>4</d>", "open a[] d[4] close "},
      {"<a>1&amp;2&#51;&#x34;</a>", "open a[1&234] close "},
      {"<a>&#32;&#10;&#9;</a>", "open a[] close "},
      {"<a>&#32;5</a>", "open a[ 5] close "},
      {"<a>\xC3\xA9</a><\xC3\xA9>1</\xC3\xA9>", "open a[" + eAcute + "] " + eAcute + "[1] close "},
      {"text<a>1</a>more<!-- c --><?pi?><![CDATA[x]]><b>2</b> tail", "open a[1] b[2] close "},
      {"<a>1</a><A>2</A><pwx:a>3</pwx:a>", "open a[1] A[2] pwx:a[3] close "},
      {"<b>1</b><a x=\"y\">2</a>", "open b[1] a[2] close "},
      {"<s><a>1</a></s>", "open s[] close "},
      {"", "open close "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Content);
    Recorder recorder;
    const LoadResult result =
        test::ReadDocument(test::PwxDocument(std::string("<x>1</x><s>") + c.Content + "</s><y>2</y>"), recorder);
    EXPECT_EQ(result, LoadResult::Loaded);
    EXPECT_EQ(Joined(recorder.Events), c.Expected);
    // The streamed child is never built; its siblings still are.
    EXPECT_EQ(recorder.Built, (std::vector<std::string>{"x=1", "y=2"}));
  }
}

TEST(SampleStream, NameInAnyCaseOnlyAsAWorkoutChild) {
  Recorder recorder;
  const LoadResult result = test::ReadDocument(
      "<pwx><s><a>0</a></s><workout><S><a>1</a></S><x><s><a>2</a></s></x><pwx:s><a>3</a></pwx:s>"
      "</workout></pwx>",
      recorder);
  EXPECT_EQ(result, LoadResult::Loaded);
  EXPECT_EQ(Joined(recorder.Events), "open a[1] close ");
  EXPECT_EQ(recorder.Built, (std::vector<std::string>{"x=", "pwx:s="}));
}

TEST(SampleStream, CloseAnsweringFalseEndsTheVisits) {
  Recorder recorder;
  recorder.KeepVisiting = false;
  const LoadResult result = test::ReadDocument(test::PwxDocument("<s><a>1</a></s><x/><s><a>2</a></s>"), recorder);
  EXPECT_EQ(result, LoadResult::Loaded);
  EXPECT_EQ(Joined(recorder.Events), "open a[1] close ");
  EXPECT_TRUE(recorder.Built.empty());
}

TEST(SampleStream, RefusalsAndDepthLimitStayAsTheyAre) {
  std::string deep;
  for (int k = 0; k < xml::kMaxDepth; ++k) deep += "<d>";
  for (int k = 0; k < xml::kMaxDepth; ++k) deep += "</d>";
  const std::pair<std::string, LoadResult> cases[] = {
      {test::PwxDocument("<s><a>1</a></s>"), LoadResult::Loaded},
      {test::PwxDocument("<s><a>1</b></s>"), LoadResult::NotWellFormed},
      {test::PwxDocument("<s><a>1</a>"), LoadResult::NotWellFormed},
      {test::PwxDocument("<s><a>" + deep + "</a></s>"), LoadResult::TooDeep},
      {"<!DOCTYPE pwx><pwx><workout><s><a>1</a></s></workout></pwx>", LoadResult::DoctypeRefused},
  };
  for (const auto& [document, expected] : cases) {
    SCOPED_TRACE(document.substr(0, 120));
    Recorder recorder;
    EXPECT_EQ(test::ReadDocument(document, recorder), expected);
  }
}

TEST(SampleStream, ADocumentSplitAcrossReadsReadsAsItDoesWhole) {
  // The file is read 64 KiB at a time. The first boundary falls INTO bytes into the streamed
  // child or the tree child after it: before or inside a tag, between the two bytes of an e acute,
  // inside an entity, inside a field's text or y's text. The second falls inside y's long text.
  const std::string head = "<pwx><workout><x>";
  const std::string probe = "<s><a>\xC3\xA9&amp;1</a><b>22</b></s><y>\xC3\xA9&lt;" + std::string(65536, 'q') + "</y>";
  const std::string eAcute = platform::Utf8ToHostText("\xC3\xA9");  // in y's built text
  for (const std::size_t into : {0, 1, 7, 9, 15, 22, 35, 38, 45}) {
    SCOPED_TRACE(into);
    const std::size_t pad = 65536 - head.size() - std::string("</x>").size() - into;
    Recorder recorder;
    const std::string document = head + std::string(pad, 'p') + "</x>" + probe + "<s><a>3</a></s></workout></pwx>";
    EXPECT_EQ(test::ReadDocument(document, recorder), LoadResult::Loaded);
    EXPECT_EQ(Joined(recorder.Events), "open a[\xC3\xA9&1] b[22] close open a[3] close ");
    EXPECT_EQ(recorder.Built, (std::vector<std::string>{"x=" + std::string(pad, 'p'),
                                                        "y=" + eAcute + "<" + std::string(65536, 'q')}));
  }
  // A field's text in pieces: expat hands a reference, a line break and text it has converted
  // from another encoding (1024 bytes at a time) from buffers of its own, which the next piece
  // overwrites. Each text in the middle of a document, then with the bytes of its first piece
  // the last of a read; in UTF-8 and in ISO-8859-1. A CDATA section makes a field no plain text.
  const std::string spaces(1023, ' ');
  const struct {
    std::string First, Rest, Text;
  } pieces[] = {
      {"&#49;", "50", "150"},     {"&#49;", "&#53;", "15"}, {"&#49;", "&#50;&#51;", "123"},
      {"&#x31;", "&#x35;", "15"}, {"1", "&#53;0", "150"},   {"\n", "150", "\n150"},
      {"<![CDATA[1", "50]]>", ""}, {spaces + "1", "50", spaces + "150"},
  };
  for (const auto& p : pieces) {
    for (const char* declaration : {"", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"}) {
      for (const bool atBoundary : {false, true}) {
        SCOPED_TRACE(testing::PrintToString(p.First + "|" + p.Rest) + declaration + (atBoundary ? " at the end" : ""));
        const std::string before = std::string(declaration) + head, open = "</x><s><hr>";
        const std::size_t pad = atBoundary ? 65536 - before.size() - open.size() - p.First.size() : 10;
        Recorder recorder;
        const std::string field = open + p.First + p.Rest + "</hr></s></workout></pwx>";
        EXPECT_EQ(test::ReadDocument(before + std::string(pad, 'p') + field, recorder), LoadResult::Loaded);
        EXPECT_EQ(Joined(recorder.Events), "open hr[" + p.Text + "] close ");
      }
    }
  }
}

TEST(SampleStream, ReaderExceptionStopsTheParseAndIsRethrown) {
  struct Throwing final : xml::WorkoutVisitor {
    xml::ChildReading Open(const char*) override { return xml::ChildReading::Stream; }
    bool Visit(const xml::Node&) override { return true; }
    void Field(const char*, std::string_view) override { throw std::runtime_error("full"); }
    bool Close() override { return true; }
  } reader;
  EXPECT_THROW(test::ReadDocument(test::PwxDocument("<s><a>1</a></s>"), reader), std::runtime_error);
}

}  // namespace
}  // namespace tessaly
