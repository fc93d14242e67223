// Broken and hostile input through the import and export calls: each ends in its documented
// failure result, leaves nothing half-done and writes nothing outside the target.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "plugin/plugin_core.h"
#include "test_support.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

std::string TempFile(const std::string& name, const std::string& bytes) {
  const std::string path = test::TempDir() + "/" + name;
  test::WriteFile(path, bytes);
  return path;
}

const char* const kGoodDocument =
    "<pwx><workout><cmt>good</cmt><time>2016-05-24T10:20:30</time>"
    "<summarydata><duration>20</duration></summarydata>"
    "<segment><summarydata><beginning>0</beginning><duration>10</duration></summarydata></segment>"
    "<sample><timeoffset>0</timeoffset><hr>120</hr></sample>"
    "<sample><timeoffset>10</timeoffset><hr>130</hr></sample>"
    "</workout></pwx>";

std::string Repeat(const std::string& s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// A state holding an earlier import, so a failure is seen to leave nothing of it or of the
// failed file.
PluginState StateAfterGoodImport() {
  PluginState s;
  const std::string good = TempFile("good.pwx", kGoodDocument);
  EXPECT_EQ(AnalyseExercise(s, good.c_str()), 2);
  return s;
}

TEST(HostileImport, BrokenDocumentsImportNothing) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
  const std::string good = kGoodDocument;
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"truncated in the middle", good.substr(0, good.size() / 2)},
      {"truncated before the last end tag", good.substr(0, good.size() - 3)},
      {"binary", binary},
      {"nested 100000 deep", "<pwx><workout>" + Repeat("<a>", 100000) + Repeat("</a>", 100000) + "</workout></pwx>"},
      {"nested 257 deep inside a sample",
       "<pwx><workout><sample><timeoffset>1</timeoffset>" + Repeat("<a>", 255) + Repeat("</a>", 255) +
           "</sample></workout></pwx>"},
      {"billion laughs",
       "<?xml version=\"1.0\"?><!DOCTYPE pwx [<!ENTITY a \"aaaaaaaaaa\">"
       "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
       "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
       "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>"
       "<pwx><workout><cmt>&g;</cmt><sample><timeoffset>1</timeoffset></sample></workout></pwx>"},
      {"external entity",
       "<?xml version=\"1.0\"?><!DOCTYPE pwx [<!ENTITY secret SYSTEM \"file:///etc/hostname\">]>"
       "<pwx><workout><cmt>&secret;</cmt><sample><timeoffset>1</timeoffset></sample></workout></pwx>"},
      {"external DTD", "<?xml version=\"1.0\"?><!DOCTYPE pwx SYSTEM \"http://127.0.0.1:9/pwx.dtd\">" + good},
      {"impossible time", "<pwx><workout><time>2016-13-24T10:20:30</time><sample><timeoffset>1</timeoffset></sample></workout></pwx>"},
      {"bad UTF-8", "<pwx><workout><cmt>\xC3\x28</cmt><sample><timeoffset>1</timeoffset></sample></workout></pwx>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PluginState s = StateAfterGoodImport();
    const std::string path = TempFile("hostile.pwx", c.bytes);
    EXPECT_EQ(AnalyseExercise(s, path.c_str()), 0);
    EXPECT_EQ(s.Workout.Samples.Count(), 0);
    EXPECT_EQ(s.Workout.Laps.Count(), 0);
    LogSummaryRecord summary;
    EXPECT_FALSE(GetLogSummaryEx(s, &summary));
    EXPECT_EQ(s.Workout.Comment.find("aaaa"), std::string::npos);
  }
}

TEST(HostileImport, AFolderNamedLikeAWorkoutImportsNothing) {
  PluginState s = StateAfterGoodImport();
  const std::string folder = test::TempDir() + "/folder.pwx";
  fs::create_directories(folder);
  EXPECT_EQ(AnalyseExercise(s, folder.c_str()), 0);
  EXPECT_EQ(s.Workout.Samples.Count(), 0);
}

TEST(HostileImport, ExtremeNumbersAreReadWithoutFailing) {
  const std::string doc =
      "<pwx><workout><summarydata><duration>1e400</duration><hr max=\"-0\" avg=\"NaN\"/>"
      "<spd max=\"1e300\" avg=\"-1e300\"/><pwr max=\"1234567890123456789012345678901234567890\" avg=\"inf\"/>"
      "<climbingelevation>-1e20</climbingelevation><normalizedpower>1e19</normalizedpower></summarydata>"
      "<segment><summarydata><beginning>1e308</beginning><duration>1e308</duration>"
      "<pwr max=\"1e300\" avg=\"-1e300\"/><cad max=\"1e40\" avg=\"-1e40\"/></summarydata></segment>"
      "<sample><timeoffset>1e300</timeoffset><hr>-1e300</hr><cad>1e19</cad><pwr>0</pwr>"
      "<pwrright>2147483647</pwrright><pwrright>99999999999999999999</pwrright><alt>nan</alt>"
      "<torque_effectiveness_left>1e400</torque_effectiveness_left></sample>"
      "<sample><timeoffset>-1e300</timeoffset><pwr>-5</pwr><pwrright>-2147483648</pwrright>"
      "<lat>1e300</lat><lon>-1e300</lon></sample>"
      "<sample><timeoffset>12</timeoffset><lat>1e300</lat><lon>1e300</lon></sample>"
      "</workout></pwx>";
  PluginState s;
  const std::string path = TempFile("numbers.pwx", doc);
  EXPECT_EQ(AnalyseExercise(s, path.c_str()), 3);
  EXPECT_EQ(s.Workout.Summary.EndTime, s.Workout.Summary.StartTime) << "a duration that is no number is 0";
  EXPECT_EQ(s.Workout.Samples.GetPwrRight(0), 0) << "no balance without power";
  ExerciseDataRecord sample;
  for (std::int32_t i = 0; i < 3; ++i) EXPECT_TRUE(GetExerciseDatasEx(s, i, &sample));
  EXPECT_EQ(s.Workout.Laps.Count(), 1);
}

TEST(HostileImport, LookAlikeDigitsAreNoNumbersOnAnySystem) {
  // Full-width digits must not turn into ASCII ones on the way to the host's code page.
  const std::string doc =
      "<pwx><workout><sample><timeoffset>\xEF\xBC\x91\xEF\xBC\x92</timeoffset><hr>\xEF\xBC\x97</hr>"
      "<lat>\xEF\xBC\x95\xEF\xBC\x90.5</lat></sample></workout></pwx>";
  PluginState s;
  const std::string path = TempFile("lookalike.pwx", doc);
  ASSERT_EQ(AnalyseExercise(s, path.c_str()), 1);
  EXPECT_EQ(s.Workout.Samples.GetTimeOffset(0), 0);
  EXPECT_EQ(s.Workout.Samples.GetHr(0), 0);
  EXPECT_EQ(s.Workout.Samples.GetLat(0), 0.0);
}

TEST(HostileImport, AMillionSamplesAndAHundredThousandSegments) {
  std::string doc = "<pwx><workout>";
  doc += Repeat("<segment/>", 100000);
  doc += "<sample><timeoffset>0</timeoffset></sample>";
  doc += Repeat("<sample/>", 999999);
  doc += "</workout></pwx>";
  PluginState s;
  const std::string path = TempFile("large.pwx", doc);
  EXPECT_EQ(AnalyseExercise(s, path.c_str()), 1000000);
  EXPECT_EQ(s.Workout.Laps.Count(), 100000);
  EXPECT_EQ(s.Workout.Summary.LapCount, 65535) << "held at the most the record counts";
  fs::remove(path);
}

TEST(HostileExport, NoFolderMeansNoFileAndResultZero) {
  PluginState s;
  s.HostVersion = 700;
  s.Workout.Summary.StartTime = 42000.5;
  s.Workout.Samples.SetHr(0, 100);
  const std::string missing = test::TempDir() + "/no/such/folder/ride.pwx";
  EXPECT_EQ(ExportDatas(s, missing.c_str()), 0);
  EXPECT_FALSE(fs::exists(test::TempDir() + "/no"));
  EXPECT_EQ(ExportDatas(s, ""), 0);
  EXPECT_EQ(ExportDatas(s, nullptr), 0);
}

}  // namespace
}  // namespace tessaly
