// Samples read straight from the stream: the parser hands over exactly what the element tree
// would show, and SampleStreamReader stores exactly what ReadSample stores from the tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "import_test_support.h"
#include "platform/codepage.h"
#include "pwx_import/sample_reader.h"
#include "pwx_import/xml_tree.h"

namespace tessaly {
namespace {

using xml::LoadResult;

// Writes down what a streamed workout child hands over.
class Recorder final : public xml::StreamedChildReader {
 public:
  void Open() override { Events.push_back("open"); }
  bool OpenChild(std::string_view name) override {
    child_ = name;
    return name != "skipped";
  }
  void CloseChild(std::string_view text) override { Events.push_back(child_ + "[" + std::string(text) + "]"); }
  bool Close() override {
    Events.push_back("close");
    return KeepVisiting;
  }
  std::vector<std::string> Events;
  bool KeepVisiting = true;

 private:
  std::string child_;
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
  // Names and texts reach the reader as host text, as nodes hold them.
  const std::string eAcute = platform::Utf8ToHostText("\xC3\xA9");
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
      {"<skipped>1</skipped><a x=\"y\">2</a>", "open a[2] close "},
      {"<s><a>1</a></s>", "open s[] close "},
      {"", "open close "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Content);
    Recorder recorder;
    std::vector<std::string> built;
    const LoadResult result = xml::ReadWorkoutChildrenFromText(
        test::PwxDocument(std::string("<x>1</x><s>") + c.Content + "</s><y>2</y>"),
        [](std::string_view) { return true; },
        [&](const xml::Node& e) {
          built.push_back(e.Name());
          return true;
        },
        {"s", &recorder});
    EXPECT_EQ(result, LoadResult::Loaded);
    EXPECT_EQ(Joined(recorder.Events), c.Expected);
    // The streamed child is never built; its siblings still are.
    EXPECT_EQ(built, (std::vector<std::string>{"x", "y"}));
  }
}

TEST(SampleStream, NameInAnyCaseOnlyAsAWorkoutChild) {
  Recorder recorder;
  std::vector<std::string> built;
  const LoadResult result = xml::ReadWorkoutChildrenFromText(
      "<pwx><s><a>0</a></s><workout><S><a>1</a></S><x><s><a>2</a></s></x><pwx:s><a>3</a></pwx:s>"
      "</workout></pwx>",
      [](std::string_view) { return true; },
      [&](const xml::Node& e) {
        built.push_back(e.Name());
        return true;
      },
      {"s", &recorder});
  EXPECT_EQ(result, LoadResult::Loaded);
  EXPECT_EQ(Joined(recorder.Events), "open a[1] close ");
  EXPECT_EQ(built, (std::vector<std::string>{"x", "pwx:s"}));
}

TEST(SampleStream, CloseAnsweringFalseEndsTheVisits) {
  Recorder recorder;
  recorder.KeepVisiting = false;
  int visits = 0;
  const LoadResult result = xml::ReadWorkoutChildrenFromText(
      test::PwxDocument("<s><a>1</a></s><x/><s><a>2</a></s>"), [](std::string_view) { return true; },
      [&](const xml::Node&) {
        ++visits;
        return true;
      },
      {"s", &recorder});
  EXPECT_EQ(result, LoadResult::Loaded);
  EXPECT_EQ(Joined(recorder.Events), "open a[1] close ");
  EXPECT_EQ(visits, 0);
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
    EXPECT_EQ(xml::ReadWorkoutChildrenFromText(document, [](std::string_view) { return true; },
                                               [](const xml::Node&) { return true; }, {"s", &recorder}),
              expected);
  }
}

TEST(SampleStream, ReaderExceptionStopsTheParseAndIsRethrown) {
  struct Throwing final : xml::StreamedChildReader {
    void Open() override {}
    bool OpenChild(std::string_view) override { return true; }
    void CloseChild(std::string_view) override { throw std::runtime_error("full"); }
    bool Close() override { return true; }
  } reader;
  EXPECT_THROW(xml::ReadWorkoutChildrenFromText(test::PwxDocument("<s><a>1</a></s>"),
                                                [](std::string_view) { return true; },
                                                [](const xml::Node&) { return true; }, {"s", &reader}),
               std::runtime_error);
}

struct Read {
  ImportState State;
  TMyHRMDatas Samples;
};

// The samples of the workout read through trees and ReadSample.
Read ByTree(const std::string& workout) {
  Read r;
  const LoadResult result = xml::ReadWorkoutChildrenFromText(
      test::PwxDocument(workout), [](std::string_view name) { return name == "sample"; },
      [&](const xml::Node& e) {
        ReadSample(e, r.State, r.Samples);
        return true;
      });
  EXPECT_EQ(result, LoadResult::Loaded);
  return r;
}

// The same samples read from the stream.
Read ByStream(const std::string& workout) {
  Read r;
  SampleStreamReader reader(r.State, r.Samples);
  const LoadResult result = xml::ReadWorkoutChildrenFromText(
      test::PwxDocument(workout), [](std::string_view) { return false; }, [](const xml::Node&) { return true; },
      {"sample", &reader});
  EXPECT_EQ(result, LoadResult::Loaded);
  return r;
}

void ExpectSameStores(const Read& tree, const Read& stream) {
  EXPECT_EQ(stream.State.SampleIndex, tree.State.SampleIndex);
  EXPECT_EQ(stream.State.LastDistance, tree.State.LastDistance);
  EXPECT_EQ(stream.State.LastLatitude, tree.State.LastLatitude);
  EXPECT_EQ(stream.State.LastLongitude, tree.State.LastLongitude);
  ASSERT_EQ(stream.Samples.Count(), tree.Samples.Count());
  const TMyHRMDatas& a = tree.Samples;
  const TMyHRMDatas& b = stream.Samples;
  for (std::int32_t i = 0; i < a.Count(); ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    EXPECT_EQ(b.GetTimeOffset(i), a.GetTimeOffset(i));
    EXPECT_EQ(b.GetHr(i), a.GetHr(i));
    EXPECT_EQ(b.GetDist(i), a.GetDist(i));
    EXPECT_EQ(b.GetSpd(i), a.GetSpd(i));
    EXPECT_EQ(b.GetAlt(i), a.GetAlt(i));
    EXPECT_EQ(b.GetTemp(i), a.GetTemp(i));
    EXPECT_EQ(b.GetPwr(i), a.GetPwr(i));
    EXPECT_EQ(b.GetPwrRight(i), a.GetPwrRight(i));
    EXPECT_EQ(b.GetCad(i), a.GetCad(i));
    EXPECT_EQ(b.GetLat(i), a.GetLat(i));
    EXPECT_EQ(b.GetLon(i), a.GetLon(i));
    EXPECT_EQ(b.GetTorqueEffectivenessLeft(i), a.GetTorqueEffectivenessLeft(i));
    EXPECT_EQ(b.GetTorqueEffectivenessRight(i), a.GetTorqueEffectivenessRight(i));
    EXPECT_EQ(b.GetPedalSmoothnessLeft(i), a.GetPedalSmoothnessLeft(i));
    EXPECT_EQ(b.GetPedalSmoothnessRight(i), a.GetPedalSmoothnessRight(i));
  }
}

TEST(SampleStream, StoresWhatReadSampleStores) {
  struct Case {
    const char* Workout;
    std::int32_t Count;   // samples stored
    std::uint8_t LastHr;  // heart rate of the last sample
  };
  const Case cases[] = {
      {"<sample><hr>150</hr><HR>151</HR><pwx:hr>99</pwx:hr></sample>", 1, 151},
      {"<sample><hr><!-- c -->150</hr></sample>", 1, 0},
      {"<sample><hr>150<!-- c --></hr></sample>", 1, 0},
      {"<sample><hr><![CDATA[150]]></hr></sample>", 1, 0},
      {"<sample><hr><?pi?>150</hr></sample>", 1, 0},
      {"<sample><hr><b>150</b></hr></sample>", 1, 0},
      {"<sample><hr>1&#53;2</hr></sample>", 1, 152},
      {"<sample><hr>150</hr><hr>   </hr></sample>", 1, 0},
      {"<sample>text<hr>153</hr><!-- c -->tail<sample><hr>9</hr></sample></sample>", 1, 153},
      {"<sample/><sample>only text</sample><Sample><hr>154</hr></Sample>", 3, 154},
      {"<sample><pwr>300</pwr><pwrright>120</pwrright><pwrright>x</pwrright><pwr>0</pwr>"
       "<pwrright>60</pwrright><pwrright>1<!-- c -->0</pwrright><hr>155</hr></sample>",
       1, 155},
      {"<sample><lat>48.1</lat><lon>11.5</lon><dist>10</dist></sample>"
       "<sample><lat>0</lat><lon><!-- c -->11.6</lon><lat>48.2</lat></sample>"
       "<sample><lat>48.3</lat><lon>11.7</lon><dist></dist></sample>"
       "<sample><lat>48.4</lat><lon>11.8</lon><dist><![CDATA[9]]></dist><dist>5</dist></sample>"
       "<sample><lat>48.5</lat><lon>11.9</lon><hr>156</hr></sample>",
       5, 156},
      {"<sample><timeoffset>0</timeoffset><spd>3.5</spd><alt>12.9<x/></alt><cad>90</cad><temp>&#32;5</temp>"
       "<torque_effectiveness_left>40.5</torque_effectiveness_left>"
       "<Pedal_Smoothness_Right>\n22\n</Pedal_Smoothness_Right><hr>\xC3\xA9</hr></sample>",
       1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Workout);
    const Read tree = ByTree(c.Workout);
    const Read stream = ByStream(c.Workout);
    ASSERT_EQ(stream.Samples.Count(), c.Count);
    EXPECT_EQ(stream.Samples.GetHr(c.Count - 1), c.LastHr);
    ExpectSameStores(tree, stream);
  }
}

TEST(SampleStream, TextsNotAsciiConvertedAsTheTreeConvertsThem) {
  // What these read as depends on the host code page; both ways must read them alike.
  const char* cases[] = {
      "<sample><hr>\xEF\xBC\x91\xEF\xBC\x92</hr><cad>9\xC3\xA9</cad></sample>",
      "<sample><h\xC3\xA9>1</h\xC3\xA9><h\xC5\x95>2</h\xC5\x95><\xC3\xA7" "ad>3</\xC3\xA7" "ad></sample>",
      "<sample><pwr>\xEF\xBC\x92\xEF\xBC\x95\xEF\xBC\x90</pwr><pwrright>\xEF\xBC\x95\xEF\xBC\x90</pwrright></sample>",
  };
  for (const char* workout : cases) {
    SCOPED_TRACE(workout);
    ExpectSameStores(ByTree(workout), ByStream(workout));
  }
}

TEST(SampleStream, SampleFileReadsTheSameBothWays) {
  const std::string document = test::ReadFile(test::DataDir() + "/import/sample_shapes.pwx");
  const std::string open = "<workout>";
  const std::size_t begin = document.find(open);
  const std::size_t end = document.find("</workout>");
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string workout = document.substr(begin + open.size(), end - begin - open.size());
  const Read tree = ByTree(workout);
  const Read stream = ByStream(workout);
  EXPECT_EQ(stream.Samples.Count(), 17);
  ExpectSameStores(tree, stream);
}

}  // namespace
}  // namespace tessaly
