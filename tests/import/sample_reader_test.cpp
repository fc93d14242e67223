// `sample` elements into the sample store, read from the stream as an import reads them:
// conversions, what counts as a channel's text, positions, distance fill, balance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "host_float_state.h"
#include "import_test_support.h"
#include "pwx_import/sample_reader.h"
#include "util/float_environment.h"

namespace tessaly {
namespace {

// Streams the `sample` children of a workout into one import's stores, as the import does.
struct Reader final : xml::WorkoutVisitor {
  ImportState State;
  SampleStore Samples;
  SampleReader Sampler{State, Samples};

  // Reads the workout content.
  void ReadWorkout(const std::string& content) {
    EXPECT_EQ(test::ReadDocument(test::PwxDocument(content), *this), xml::LoadResult::Loaded) << content;
  }
  // Reads the snippet as the next sample of the import.
  void Read(const std::string& sampleContent) { ReadWorkout("<sample>" + sampleContent + "</sample>"); }

  xml::ChildReading Open(const char* name) override {
    if (!xml::NameIs(name, "sample")) return xml::ChildReading::Skip;
    Sampler.Open();
    return xml::ChildReading::Stream;
  }
  bool Visit(const xml::Node&) override { return true; }
  void Field(const char* name, std::string_view text) override { Sampler.Field(name, text); }
  bool Close() override {
    Sampler.Close();
    return true;
  }
};

TEST(SampleReader, ChannelConversions) {
  struct Case {
    const char* Content;
    double (*Get)(const SampleStore&);
    double Expected;
  };
  const auto hr = [](const SampleStore& s) { return double(s.GetHr(0)); };
  const auto cad = [](const SampleStore& s) { return double(s.GetCad(0)); };
  const auto to = [](const SampleStore& s) { return double(s.GetTimeOffset(0)); };
  const auto spd = [](const SampleStore& s) { return s.GetSpd(0); };
  const auto alt = [](const SampleStore& s) { return s.GetAlt(0); };
  const auto dist = [](const SampleStore& s) { return s.GetDist(0); };
  const auto pwr = [](const SampleStore& s) { return s.GetPwr(0); };
  const auto temp = [](const SampleStore& s) { return s.GetTemp(0); };
  const auto tel = [](const SampleStore& s) { return s.GetTorqueEffectivenessLeft(0); };
  const auto ter = [](const SampleStore& s) { return s.GetTorqueEffectivenessRight(0); };
  const auto psl = [](const SampleStore& s) { return s.GetPedalSmoothnessLeft(0); };
  const auto psr = [](const SampleStore& s) { return s.GetPedalSmoothnessRight(0); };
  const Case cases[] = {
      {"<timeoffset>12.9</timeoffset>", to, 12},
      {"<timeoffset>-3.7</timeoffset>", to, -3},
      {"<timeoffset>1e300</timeoffset>", to, -1},  // saturated to 2^63-1, low 32 bits kept
      {"<hr>150</hr>", hr, 150},
      {"<hr>300</hr>", hr, 44},
      {"<hr>150.9</hr>", hr, 150},
      {"<spd>3.5</spd>", spd, 12.6},
      {"<spd>10</spd>", spd, 36},
      {"<dist>1234.5</dist>", dist, 1.2345},
      {"<alt>123.9</alt>", alt, 123},
      {"<alt>-0.5</alt>", alt, 0},
      {"<alt>-12.9</alt>", alt, -12},
      {"<cad>90.7</cad>", cad, 90},
      {"<cad>256</cad>", cad, 0},
      {"<pwr>250.9</pwr>", pwr, 250.9},
      {"<temp>-3.25</temp>", temp, -3.25},
      {"<torque_effectiveness_left>45.7</torque_effectiveness_left>", tel, 45},
      {"<torque_effectiveness_right>80.2</torque_effectiveness_right>", ter, 80},
      {"<pedal_smoothness_left>20.99</pedal_smoothness_left>", psl, 20},
      {"<pedal_smoothness_right>19.5</pedal_smoothness_right>", psr, 19},
      {"<HR>150</HR>", hr, 150},                          // names in any case
      {"<Dist>1000</Dist>", dist, 1},
      {"<Torque_Effectiveness_LEFT>45.7</Torque_Effectiveness_LEFT>", tel, 45},
      {"<hr>0</hr><sad>5</sad>", spd, 0},            // one letter off a channel's name, of its
      {"<hr>0</hr><tamp>5</tamp>", temp, 0},         // length, first and last letter: no channel
      {"<hr>0</hr><tineoffset>7</tineoffset>", to, 0},
      {"<hr>0</hr><torque_effectivenesx_left>45</torque_effectivenesx_left>", tel, 0},
      {"<pwx:hr>150</pwx:hr><hr>0</hr>", hr, 0},          // a prefixed name is another element
      {"<hr>twelve</hr>", hr, 0},
      {"<hr>12,5</hr>", hr, 0},                           // a comma is no decimal separator
      {"<hr> 42 </hr>", hr, 42},
      {"<hr>\n    142\n  </hr>", hr, 142},                  // as pretty-printers write it
      {"<dist>\t1000\r\n</dist>", dist, 1},
      {"<hr><![CDATA[150]]></hr>", hr, 0},                // not plain text
      {"<hr>1<!--x-->50</hr>", hr, 0},
      {"<hr><!--x-->150</hr>", hr, 0},
      {"<hr><?pi?>150</hr>", hr, 0},
      {"<hr><b>150</b></hr>", hr, 0},                     // a child element: not plain text
      {"<alt>12.9<x/></alt>", alt, 0},
      {"<hr>1&#53;2</hr>", hr, 152},                      // references are part of the text
      {"<temp>&#32;5</temp>", temp, 5},
      {"<hr>100</hr><hr>120</hr>", hr, 120},              // the last one wins
      {"<hr>150</hr><hr>   </hr>", hr, 0},                // even when it holds no number
      {"<spd>1e400</spd>", spd, 0},                        // beyond a double: no number
      {"<hr>\xC3\xA9</hr>", hr, 0},                        // other scripts' digits and names are no
      {"<hr>\xEF\xBC\x91\xEF\xBC\x92</hr>", hr, 0},       // numbers and no channels, whatever the
      {"<hr>0</hr><h\xC3\xA9>1</h\xC3\xA9><h\xC5\x95>2</h\xC5\x95>", hr, 0},  // host code page
      {"<cad>0</cad><\xC3\xA7" "ad>3</\xC3\xA7" "ad>", cad, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Content);
    Reader r;
    r.Read(c.Content);
    EXPECT_EQ(r.Samples.Count(), 1);
    EXPECT_DOUBLE_EQ(c.Get(r.Samples), c.Expected);
  }
}

TEST(SampleReader, FirstSampleOfTheTable) {
  Reader r;
  r.Read("<timeoffset>12.9</timeoffset><hr>150</hr><spd>3.5</spd><dist>1234.5</dist>");
  EXPECT_EQ(r.State.SampleIndex, 0);
  EXPECT_EQ(r.Samples.GetTimeOffset(0), 12);
  EXPECT_EQ(r.Samples.GetHr(0), 150);
  EXPECT_DOUBLE_EQ(r.Samples.GetSpd(0), 12.6);
  EXPECT_DOUBLE_EQ(r.Samples.GetDist(0), 1.2345);
  EXPECT_DOUBLE_EQ(r.State.LastDistance, 1.2345);
  EXPECT_EQ(r.Samples.GetSampleText(0), "");
  EXPECT_EQ(r.Samples.GetSampleByte(0), 0);
}

TEST(SampleReader, PedalBalance) {
  struct Case {
    const char* Content;
    double Expected;
  };
  const Case cases[] = {
      {"<pwr>200</pwr><pwrright>90</pwrright>", 55},
      {"<pwr>3</pwr><pwrright>1</pwrright>", 67},
      {"<pwr>200</pwr><pwrright>0</pwrright>", 0},
      {"<pwr>200</pwr><pwrright>90.0</pwrright>", 0},          // not an integer
      {"<pwr>200</pwr><pwrright>-5</pwrright>", -5},           // 0 or less is stored as it is
      {"<pwr>200</pwr><pwrright>0x10</pwrright>", 92},
      {"<pwr>200</pwr><pwrright>\n 90</pwrright>", 55},       // whitespace before an integer
      {"<pwr>200</pwr><pwrright>90\n</pwrright>", 0},         // but none after it         // integer syntax: hexadecimal 16
      {"<pwr>200</pwr><pwrright>90</pwrright><pwrright>x</pwrright>", 55},  // keeps the earlier one
      {"<pwr>200</pwr><pwrright>90</pwrright><pwrright>1<!-- c -->0</pwrright>", 55},
      {"<pwr>300</pwr><pwrright>120</pwrright><pwr>0</pwr><pwrright>60</pwrright>", 0},
      {"<pwr>\xEF\xBC\x92\xEF\xBC\x95\xEF\xBC\x90</pwr><pwrright>\xEF\xBC\x95\xEF\xBC\x90</pwrright>", 0},
      {"<pwrright>90</pwrright>", 0},                           // no power to share
      {"<pwrright>90</pwrright><pwr>200</pwr>", 0},             // power read after the balance
      {"<pwr>0</pwr><pwrright>90</pwrright>", 0},
      {"<pwr>200</pwr><pwrright>199</pwrright>", 1},
      {"<pwr>200</pwr><pwrright>201</pwrright>", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Content);
    Reader r;
    r.Read(c.Content);
    EXPECT_EQ(r.Samples.GetPwrRight(0), c.Expected);
  }
}

TEST(SampleReader, ZeroPositionsTakeTheLastOnes) {
  Reader r;
  r.Read("<lat>50.1</lat><lon>8.2</lon>");
  r.Read("<lat>0</lat><lon>0.0</lon>");
  r.Read("<hr>1</hr>");                       // no position at all
  r.Read("<lat>0</lat>");
  EXPECT_DOUBLE_EQ(r.Samples.GetLat(1), 50.1);
  EXPECT_DOUBLE_EQ(r.Samples.GetLon(1), 8.2);
  EXPECT_EQ(r.Samples.GetLat(2), 0.0);
  EXPECT_EQ(r.Samples.GetLon(2), 0.0);
  EXPECT_DOUBLE_EQ(r.State.LastLatitude, 50.1);
  EXPECT_DOUBLE_EQ(r.Samples.GetLat(3), 50.1);
  EXPECT_EQ(r.Samples.GetLon(3), 0.0);
}

TEST(SampleReader, DistanceFilledFromPositions) {
  struct Case {
    const char* Second;
    double Expected;
    double Tolerance;
  };
  const Case cases[] = {
      {"<lat>50.001</lat><lon>8.0</lon>", 0.11112, 1e-6},
      {"<lat>50.0</lat><lon>8.001</lon>", 0.0714, 1e-4},
      {"<lat>50.0</lat><lon>8.0</lon>", 0.0, 0.0},            // the same place
      {"<lat>50.001</lat>", 0.0, 0.0},                         // no longitude: stays
      {"<lat>50.001</lat><lon>8.0</lon><dist>0</dist>", 0.11112, 1e-6},
      {"<lat>50.001</lat><lon>8.0</lon><dist>500</dist>", 0.5, 0.0},  // the file's distance wins
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Second);
    Reader r;
    r.Read("<lat>50.0</lat><lon>8.0</lon>");
    EXPECT_EQ(r.Samples.GetDist(0), 0.0);  // the first sample is never filled
    r.Read(c.Second);
    EXPECT_NEAR(r.Samples.GetDist(1), c.Expected, c.Tolerance);
  }
}

TEST(SampleReader, DistanceNeverGoesBack) {
  Reader r;
  r.Read("<dist>1000</dist>");
  r.Read("<dist>900</dist>");
  EXPECT_DOUBLE_EQ(r.Samples.GetDist(1), 1.0);
  EXPECT_DOUBLE_EQ(r.State.LastDistance, 0.9);
  r.Read("<hr>100</hr>");
  EXPECT_DOUBLE_EQ(r.Samples.GetDist(2), 1.0);  // filled with 0.9, then raised
  r.Read("<dist>1500</dist>");
  EXPECT_DOUBLE_EQ(r.Samples.GetDist(3), 1.5);
}

// Each stored sample as "offset hr alt metres", joined by "; ".
std::string Stored(const SampleStore& s) {
  std::string out;
  for (std::int32_t i = 0; i < s.Count(); ++i) {
    out += (i == 0 ? "" : "; ") + std::to_string(s.GetTimeOffset(i)) + " " + std::to_string(s.GetHr(i)) + " " +
           std::to_string(static_cast<int>(s.GetAlt(i))) + " " + std::to_string(std::lround(s.GetDist(i) * 1000));
  }
  return out;
}

TEST(SampleReader, OnlySamplesWithAReadingAreStored) {
  const std::string at0 = "<sample><timeoffset>0</timeoffset><hr>100</hr><alt>500</alt><dist>10</dist></sample>";
  const std::string at5 = "<sample><timeoffset>5</timeoffset><hr>101</hr><alt>501</alt></sample>";
  const auto gps = [](const std::string& second) {
    return "<sample><timeoffset>" + second + "</timeoffset><dist>0</dist><lat>50.00" + second + "</lat><lon>8</lon></sample>";
  };
  const struct {
    std::vector<std::string> Workouts;
    std::string Expected;
  } cases[] = {
      {{at0 + "<sample><timeoffset>4</timeoffset></sample>" + at5}, "0 100 500 10; 5 101 501 10"},
      {{at0 + at5 + "<sample><timeoffset>6</timeoffset><extension><gps>1</gps></extension></sample>"},
       "0 100 500 10; 5 101 501 10"},
      {{"<sample/><sample>text</sample>" + at5 + at0}, "5 101 501 0; 0 100 500 10"},
      {{at0 + "<sample><hr>0</hr></sample>"}, "0 100 500 10; 0 0 0 10"},
      {{"<sample><timeoffset>0</timeoffset></sample><sample><timeoffset>1</timeoffset><x>2</x></sample><sample/>"},
       "0 0 0 0; 1 0 0 0; 0 0 0 0"},
      {{"<sample><timeoffset>0</timeoffset></sample>", "<sample><timeoffset>9</timeoffset></sample>" + at5},
       "5 101 501 0"},
      // 0.001 degrees of latitude is 111.12 m; a distance of 0 and a gap carry the fill on.
      {{gps("0") + gps("1") + "<sample><timeoffset>2</timeoffset></sample>" + gps("3")}, "0 0 0 0; 1 0 0 111; 3 0 0 333"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Workouts.front());
    Reader r;
    for (const std::string& workout : c.Workouts) r.ReadWorkout(workout);
    EXPECT_EQ(Stored(r.Samples), c.Expected);
  }
}

TEST(SampleReader, OnlyDirectChildrenOfAWorkoutSampleAreChannels) {
  struct Case {
    const char* Workout;
    std::int32_t Count;
    int LastHr;
  };
  const Case cases[] = {
      {"<sample>text<hr>153</hr><!-- c -->tail<sample><hr>9</hr></sample><x><hr>8</hr></x></sample>", 1, 153},
      {"<sample/><sample>only text</sample><Sample><hr>154</hr></Sample>", 1, 154},
      {"<SAMPLE><HR>155</HR></SAMPLE><pwx:sample><hr>1</hr></pwx:sample><x><sample/></x>", 1, 155},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Workout);
    Reader r;
    r.ReadWorkout(c.Workout);
    ASSERT_EQ(r.Samples.Count(), c.Count);
    EXPECT_EQ(r.Samples.GetHr(c.Count - 1), c.LastHr);
  }
}

TEST(SampleReader, SampleShapesFile) {
  const std::string path = test::DataDir() + "/import/sample_shapes.pwx";
  Reader r;
  EXPECT_EQ(xml::ReadWorkoutFile(path.c_str(), r), xml::LoadResult::Loaded);
  ASSERT_EQ(r.Samples.Count(), 15);  // the two samples without a reading are not stored
  const int hr[15] = {0, 0, 152, 0, 120, 154, 155, 158, 0, 161, 162, 0, 0, 0, 150};
  const double pwr[15] = {0, 0, 0, 0, 0, 250, 250, 0, 0, 0, 0, 0, 0, 0, 200};
  const double pwrRight[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 75};
  const double lat[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 48.1, 48.2, 48.2, 48.4, 0};
  const double lon[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11.5, 11.5, 11.7, 11.8, 0};
  for (std::int32_t i = 0; i < 15; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r.Samples.GetTimeOffset(i), i < 9 ? i : i + 2);
    EXPECT_EQ(r.Samples.GetHr(i), hr[i]);
    EXPECT_EQ(r.Samples.GetCad(i), 0);
    EXPECT_EQ(r.Samples.GetPwr(i), pwr[i]);
    EXPECT_EQ(r.Samples.GetPwrRight(i), pwrRight[i]);
    EXPECT_EQ(r.Samples.GetLat(i), lat[i]);
    EXPECT_EQ(r.Samples.GetLon(i), lon[i]);
  }
  EXPECT_EQ(r.Samples.GetTemp(6), 5.0);
  EXPECT_EQ(r.Samples.GetDist(6), 1.5);
}

TEST(SampleReader, ChannelsInAnyOrderFromSampleToSample) {
  // The look for a channel starts where it found the one after the previous channel last time;
  // every order, the table's last channel before its first included, still finds each.
  Reader r;
  r.Read("<pedal_smoothness_right>7</pedal_smoothness_right><hr>120</hr><cad>80</cad>");
  r.Read("<cad>81</cad><x>1</x><hr>121</hr><pedal_smoothness_right>8</pedal_smoothness_right>");
  r.Read("<hr>122</hr><pedal_smoothness_right>9</pedal_smoothness_right><cad>82</cad>");
  ASSERT_EQ(r.Samples.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.Samples.GetHr(i), 120 + i) << i;
    EXPECT_EQ(r.Samples.GetCad(i), 80 + i) << i;
    EXPECT_EQ(r.Samples.GetPedalSmoothnessRight(i), 7 + i) << i;
  }
}

TEST(SampleReader, OffsetsAreStoredAsTheyCome) {
  Reader r;
  const int offsets[] = {0, 5, 5, 20};
  for (int o : offsets) r.Read("<timeoffset>" + std::to_string(o) + "</timeoffset>");
  ASSERT_EQ(r.Samples.Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.Samples.GetTimeOffset(i), offsets[i]) << i;
}

TEST(SampleReader, SamplesAtTheEdgeOfTheRoomStayInsideTheStore) {
  // Index 4096 is the first past the room the store has doubled to. A sample there that sets no
  // distance or power before the reader looks at them must not make the reader read past the
  // channels.
  const auto samples = [](const std::string& content, const std::string& last) {
    std::string workout;
    for (int i = 0; i < 4096; ++i) workout += "<sample>" + content + "</sample>";
    return workout + "<sample>" + last + "</sample>";
  };
  Reader empty;
  empty.ReadWorkout(samples("<dist>1</dist>", "<hr>1</hr>"));
  EXPECT_EQ(empty.Samples.Count(), 4097);
  EXPECT_DOUBLE_EQ(empty.Samples.GetDist(4096), 0.001);

  Reader balance;
  balance.ReadWorkout(samples("<hr>1</hr>", "<pwrright>5</pwrright>"));
  EXPECT_EQ(balance.Samples.Count(), 4097);
  EXPECT_EQ(balance.Samples.GetPwrRight(4096), 0.0);
}

TEST(SampleReader, IndexesBeyondTheStoreAreCountedButNotStored) {
  Reader r;
  r.State.SampleIndex = SampleStore::MaxIndex;
  r.Read("<hr>100</hr><dist>5</dist>");
  EXPECT_EQ(r.State.SampleIndex, SampleStore::MaxIndex + 1);
  EXPECT_EQ(r.Samples.Count(), 0);
  r.State.SampleIndex = 2147483647;
  r.Read("<hr>100</hr>");
  EXPECT_EQ(r.State.SampleIndex, 2147483647);
  const ImportNote* beyond = r.State.Notes.Find(ImportNoteKind::SampleBeyondLimit, "sample");
  EXPECT_EQ(beyond != nullptr ? beyond->Count : 0, 2);
}

TEST(GreatCircleStep, KnownDistances) {
  struct Case {
    double Lat1, Lon1, Lat2, Lon2, Km, Tolerance;
  };
  const Case cases[] = {
      {50.0, 8.0, 50.001, 8.0, 0.11112, 1e-9},
      {50.0, 8.0, 50.0, 8.001, 0.11112 * std::cos(50.0 * 3.14159265358979323846 / 180.0), 1e-7},
      {0.0, 0.0, 0.0, 90.0, 111.12 * 90.0, 1e-9},
      {0.0, 0.0, 0.0, 180.0, 111.12 * 180.0, 1e-9},
      {90.0, 0.0, -90.0, 0.0, 111.12 * 180.0, 1e-9},
      {10.0, 20.0, 10.0, 20.0, 0.0, 0.0},
      {46.081629, 14.516637, 46.081614, 14.516611, 0.00257, 1e-4},
      {-33.9, 18.4, 51.5, -0.1, 9652.0, 15.0},
      {10.0, 370.0, 10.0, 10.0, 0.0, 1e-4},  // a whole turn apart
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Lat1 << "," << c.Lon1 << " -> " << c.Lat2 << "," << c.Lon2);
    EXPECT_NEAR(GreatCircleStepKm(c.Lat1, c.Lon1, c.Lat2, c.Lon2), c.Km, c.Tolerance);
  }
}

TEST(GreatCircleStep, AgreesWithTheMathsLibrary) {
  // The own trigonometry exists for bit-identical builds; it must still be the law of cosines.
  const double points[][4] = {{50.0, 8.0, 50.0003, 8.0004}, {-12.5, 130.1, -12.6, 130.3},
                              {60.1, -150.0, 60.1, 150.0},  {0.5, 0.5, -0.5, -0.5},
                              {89.9, 10.0, 89.9, 100.0},    {46.081629, 14.516637, 46.081617, 14.516566}};
  for (const auto& p : points) {
    SCOPED_TRACE(testing::Message() << p[0] << "," << p[1] << " -> " << p[2] << "," << p[3]);
    const long double pi = 3.14159265358979323846264338327950288L;
    const long double f1 = p[0] * pi / 180, f2 = p[2] * pi / 180, d = (p[1] - p[3]) * pi / 180;
    const long double x = std::sin(f1) * std::sin(f2) + std::cos(f1) * std::cos(f2) * std::cos(d);
    const double reference = static_cast<double>(std::acos(x) * 111.12L * 180 / pi);
    EXPECT_NEAR(GreatCircleStepKm(p[0], p[1], p[2], p[3]), reference, 1e-9 + reference * 1e-12);
  }
}

TEST(GreatCircleStep, IsWorkedToA64BitMantissaInTheHostsPlaceToo) {
  if (!test::kHasX87) GTEST_SKIP() << "x87 only";
  // Two fixes 2.6 m apart: the arc cosine's argument lies within 1e-12 of 1.
  const double p[4] = {46.081629, 14.516637, 46.081614, 14.516611};
  test::SetFloatState(test::kDefaultFloatState);
  const double wide = GreatCircleStepKm(p[0], p[1], p[2], p[3]);
  test::SetFloatState(test::kForeignFloatStates[0]);  // 53-bit precision
  const double narrow = GreatCircleStepKm(p[0], p[1], p[2], p[3]);
  double inScope = 0;
  {
    FloatEnvironmentScope scope;
    inScope = GreatCircleStepKm(p[0], p[1], p[2], p[3]);
  }
  test::SetFloatState(test::kDefaultFloatState);
  EXPECT_NE(narrow, wide) << "a step worked in doubles would not notice the host's precision";
  EXPECT_EQ(inScope, wide);
}

TEST(GreatCircleStep, UnformableStepsAreZero) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(GreatCircleStepKm(nan, 0, 1, 1), 0.0);
  EXPECT_EQ(GreatCircleStepKm(inf, 0, 1, 1), 0.0);
  EXPECT_EQ(GreatCircleStepKm(1e300, 0, 1, 1), 0.0);
  EXPECT_EQ(GreatCircleStepKm(1, 1e300, 1, -1e300), 0.0);
}

}  // namespace
}  // namespace tessaly
