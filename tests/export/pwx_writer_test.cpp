// The document the writer builds: which lines appear, what they hold, how numbers are rounded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "document_check.h"
#include "export_test_support.h"
#include "platform/codepage.h"
#include "plugin/plugin_core.h"
#include "pwx_export/pwx_writer.h"
#include "test_support.h"
#include "util/date_time.h"

namespace tessaly {
namespace {

using test::CountLines;
using test::Document;
using test::FreshState;
using test::HasLine;
using test::HostSample;
using test::Lines;
using test::MakeLap;
using test::PushSample;

TEST(PwxTargetPath, ReplacesOrAppendsTheExtensionOfTheFileNameOnly) {
  struct Case {
    const char* target;
    const char* expected;
    const char* doubleByte = nullptr;  // where it differs in a double-byte code page (932: \x83\x5C is one letter)
  };
  // test-all runs this once more under Wine with code page 932, and says so.
  const bool doubleByte = platform::IsLeadByte('\x83');
  if (std::getenv("TESSALY_DOUBLE_BYTE_HOST") != nullptr) {
    ASSERT_TRUE(doubleByte);
  }
  const Case cases[] = {
      {"ride.tmp", "ride.pwx"},
      {"ride", "ride.pwx"},
      {"ride.pwx", "ride.pwx"},
      {"ride.PWX", "ride.pwx"},
      {"ride.", "ride.pwx"},
      {"ride.2016.tcx", "ride.2016.pwx"},
      {"C:\\My.Rides\\ride", "C:\\My.Rides\\ride.pwx"},
      {"C:\\My.Rides\\ride.hrm", "C:\\My.Rides\\ride.pwx"},
      {"/home/a.b/ride", "/home/a.b/ride.pwx"},         // a dot in a folder is no extension
      {"Z:/tmp/x.y/ride", "Z:/tmp/x.y/ride.pwx"},
      {"C:ride", "C:ride.pwx"},
      {"a.b:ride", "a.b:ride.pwx"},
      {"C:\\rides.d\\", ""},  // a folder
      {"C:", ""},
      {"C:\\rides\\\x83\x5C", "", "C:\\rides\\\x83\x5C.pwx"},
      {"ride.\x83\x5Cx", "ride.\x83\x5Cx.pwx", "ride.pwx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(PwxTargetPath(c.target), doubleByte && c.doubleByte ? c.doubleByte : c.expected);
  }
}

TEST(XmlCharacterData, EscapesMarkupAndDropsWhatXmlForbids) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"Anna Berg", "Anna Berg"},
      {"", ""},
      {"Smith & Sons", "Smith &amp; Sons"},
      {"a<b>c", "a&lt;b&gt;c"},
      {"&amp;", "&amp;amp;"},
      {"tab\there", "tab\there"},
      {"cr\rlf\n", "cr\rlf\n"},
      {std::string("bell\x07 esc\x1b nul-free\x01\x1f", 20), "bell esc nul-free"},
      {"quote \" and '", "quote \" and '"},
      {"a\xEF\xBF\xBE" "b\xEF\xBF\xBF" "c", "abc"},                  // U+FFFE, U+FFFF
      {"a\xED\xA0\x80" "b\xED\xBF\xBF" "c", "abc"},                  // surrogates D800, DFFF
      {"\xED\x9F\xBF|\xEE\x80\x80|\xEF\xBF\xBD", "\xED\x9F\xBF|\xEE\x80\x80|\xEF\xBF\xBD"},  // D7FF, E000, FFFD
      {"\xF4\x8F\xBF\xBF & \x7F", "\xF4\x8F\xBF\xBF &amp; \x7F"},  // U+10FFFF, DEL
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(XmlCharacterData(c.in), c.out);
  }
  // Host text goes the same way once it is UTF-8.
  EXPECT_EQ(XmlElementText(std::string("x\x01<y\x1f", 5)), "x&lt;y");
}

TEST(PwxDocument, EveryLineEndsWithCrLfAndTheFixedLinesAreInPlace) {
  PluginState s = FreshState();
  PushSample(s, 0, {.TimeOffset = 0, .HeartRate = 100});
  const std::string doc = Document(s);
  ASSERT_GE(doc.size(), 2u);
  EXPECT_EQ(doc.substr(doc.size() - 2), "\r\n");
  for (std::size_t i = 0; i < doc.size(); ++i) {
    if (doc[i] == '\n') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(doc[i - 1], '\r') << "bare LF at byte " << i;
    }
    if (doc[i] == '\r') {
      EXPECT_EQ(i + 1 < doc.size() ? doc[i + 1] : '\0', '\n') << "bare CR at byte " << i;
    }
  }
  const std::vector<std::string> lines = Lines(doc);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(lines[1],
            "<pwx xmlns=\"http://www.peaksware.com/PWX/1/0\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
            "xsi:schemaLocation=\"http://www.peaksware.com/PWX/1/0 http://www.peaksware.com/PWX/1/0/pwx.xsd\" "
            "version=\"1.0\" creator=\"CorvantaPro Tessaly Plugin 7.0\">");
  EXPECT_EQ(lines[2], "  <workout>");
  EXPECT_EQ(lines[lines.size() - 2], "  </workout>");
  EXPECT_EQ(lines.back(), "</pwx>");
  EXPECT_TRUE(HasLine(lines, "    <time>2016-05-24T10:20:30</time>"));
  EXPECT_TRUE(HasLine(lines, "    <device id=\"\">"));
  EXPECT_TRUE(HasLine(lines, "      <make>Brelvik</make>"));
  EXPECT_TRUE(HasLine(lines, "      <model>Corvanta Pro</model>"));
}

TEST(PwxDocument, EmptyStoresGiveHeaderSummaryAndZeroPoints) {
  PluginState s = FreshState();
  const std::vector<std::string> lines = Lines(Document(s));
  const std::vector<std::string> expected = {
      "    <sportType>Bike</sportType>",
      "    <cmt></cmt>",
      "    <summarydata>",
      "      <beginning>0.000</beginning>",
      "      <duration>0.000</duration>",
      "      <dist>0.00</dist>",
      "      <climbingelevation>0.0</climbingelevation>",
      "      <descendingelevation>0.0</descendingelevation>",
      "    </summarydata>",
      "    <extension>",
      "      <points>0</points>",
      "    </extension>",
  };
  for (const std::string& line : expected) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(HasLine(lines, line));
  }
  EXPECT_EQ(CountLines(lines, "    <segment>"), 0);
  EXPECT_EQ(CountLines(lines, "    <sample>"), 0);
  EXPECT_EQ(CountLines(lines, "    <athlete>"), 0);
  EXPECT_EQ(CountLines(lines, "      <laps>"), 0);
  EXPECT_EQ(CountLines(lines, "      <calories>"), 0);
  EXPECT_EQ(CountLines(lines, "      <hr "), 0);
}

TEST(PwxDocument, SummaryLinesAppearOnlyWhenBothValuesArePresent) {
  struct Case {
    const char* name;
    std::uint8_t maxHr, avgHr;
    std::int32_t maxSpd, avgSpd;
    const char* hrLine;   // "" when absent
    const char* spdLine;  // "" when absent
  };
  const Case cases[] = {
      {"heart rate max only", 150, 0, 0, 0, "", ""},
      {"heart rate both", 150, 120, 0, 0, "      <hr max=\"150.000\" min=\"0.000\" avg=\"120.000\"/>", ""},
      {"speed avg only", 0, 0, 0, 180, "", ""},
      {"speed both", 0, 0, 360, 180, "", "      <spd max=\"10.000\" min=\"0.000\" avg=\"5.000\"/>"},
      {"negative speed", 0, 0, 360, -5, "", ""},
      {"speed rounding", 0, 0, 1, 1, "", "      <spd max=\"0.028\" min=\"0.000\" avg=\"0.028\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PluginState s = FreshState();
    s.Workout.Summary.MaxHeartRate = c.maxHr;
    s.Workout.Summary.AvgHeartRate = c.avgHr;
    s.Workout.Summary.MaxSpeed = c.maxSpd;
    s.Workout.Summary.AvgSpeed = c.avgSpd;
    const std::vector<std::string> lines = Lines(Document(s));
    EXPECT_EQ(CountLines(lines, "      <hr "), *c.hrLine ? 1 : 0);
    if (*c.hrLine) {
      EXPECT_TRUE(HasLine(lines, c.hrLine));
    }
    EXPECT_EQ(CountLines(lines, "      <spd "), *c.spdLine ? 1 : 0);
    if (*c.spdLine) {
      EXPECT_TRUE(HasLine(lines, c.spdLine));
    }
  }
}

TEST(PwxDocument, SummaryValuesInPwxUnits) {
  PluginState s = FreshState();
  s.Workout.Summary.Duration = 3601;
  s.Workout.Summary.Distance = 42.195;
  s.Workout.Summary.Ascent = 350;
  s.Workout.Summary.Descent = -12;
  s.Workout.Summary.Calories = 650;
  PushSample(s, 0, {.TimeOffset = 17});
  PushSample(s, 1, {.TimeOffset = 18});
  const std::vector<std::string> lines = Lines(Document(s));
  for (const char* line : {"      <beginning>17.000</beginning>", "      <duration>3601.000</duration>",
                           "      <dist>42195.00</dist>", "      <climbingelevation>350.0</climbingelevation>",
                           "      <descendingelevation>-12.0</descendingelevation>", "      <calories>650</calories>",
                           "      <points>2</points>"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(HasLine(lines, line));
  }
}

TEST(PwxDocument, PowerLinesFollowAnyWholeWatt) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    std::vector<double> power;
    const char* summaryLine;  // "" when no power lines at all
  };
  const Case cases[] = {
      {"all below one watt", {0.9, 0.5, 0.0}, ""},
      {"negative and not finite", {-300.0, kInf, kNaN}, ""},
      {"one short burst, average zero", {0.0, 150.0, 0.0, 0.0}, "      <pwr max=\"150.000\" min=\"0.000\" avg=\"37.000\"/>"},
      {"one watt, integer average zero", {1.0, 0.0, 0.0}, "      <pwr max=\"1.000\" min=\"0.000\" avg=\"0.000\"/>"},
      {"integer parts", {0.0, 250.9, 301.6}, "      <pwr max=\"301.000\" min=\"0.000\" avg=\"183.000\"/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PluginState s = FreshState();
    for (std::size_t i = 0; i < c.power.size(); ++i) {
      PushSample(s, static_cast<std::int32_t>(i),
                 {.TimeOffset = static_cast<std::int32_t>(i), .Power = c.power[i], .PowerBalance = 50});
    }
    const std::vector<std::string> lines = Lines(Document(s));
    const bool power = *c.summaryLine != 0;
    EXPECT_EQ(CountLines(lines, "      <pwr>"), power ? static_cast<int>(c.power.size()) : 0);
    EXPECT_EQ(CountLines(lines, "      <pwr "), power ? 1 : 0);
    if (!power) {
      EXPECT_EQ(CountLines(lines, "      <pwrright>"), 0);  // a balance alone is no power
    }
    if (power) {
      EXPECT_TRUE(HasLine(lines, c.summaryLine));
      EXPECT_TRUE(HasLine(lines, "      <pwr>0</pwr>"));  // samples without power keep their lines
    }
  }
}

TEST(PwxDocument, CadenceSummaryCountsZeroSamples) {
  PluginState s = FreshState();
  const std::uint8_t cadence[] = {0, 80, 90};
  for (std::int32_t i = 0; i < 3; ++i) PushSample(s, i, {.TimeOffset = i, .Cadence = cadence[i]});
  const std::vector<std::string> lines = Lines(Document(s));
  EXPECT_TRUE(HasLine(lines, "      <cad max=\"90.000\" min=\"0.000\" avg=\"56.000\"/>"));
  EXPECT_TRUE(HasLine(lines, "      <cad>0</cad>"));
  EXPECT_TRUE(HasLine(lines, "      <cad>90</cad>"));
}

TEST(PwxDocument, SampleLinesInPwxUnits) {
  PluginState s = FreshState();
  PushSample(s, 0, {.TimeOffset = 5, .HeartRate = 150, .Speed = 36.0, .Distance = 1.5, .Power = 250.5,
                    .PowerBalance = 40, .Cadence = 85, .Latitude = 50.1234565, .Longitude = -8.0000004,
                    .Altitude = -0.005, .Temperature = 21.25});
  const std::vector<std::string> lines = Lines(Document(s));
  const std::vector<std::string> expected = {
      "    <sample>",
      "      <timeoffset>5.000</timeoffset>",
      "      <hr>150</hr>",
      "      <spd>10.000</spd>",
      "      <pwr>251</pwr>",
      "      <pwrright>151</pwrright>",
      "      <cad>85</cad>",
      "      <dist>1500.00</dist>",
      "      <lat>50.123457</lat>",
      "      <lon>-8.000000</lon>",
      "      <alt>-0.01</alt>",
      "      <temp>21.3</temp>",
      "    </sample>",
  };
  // The sample's lines, in this order, right after its start tag.
  std::size_t at = 0;
  while (at < lines.size() && lines[at] != "    <sample>") ++at;
  ASSERT_LE(at + expected.size(), lines.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(expected[k]);
    EXPECT_EQ(lines[at + k], expected[k]);
  }
}

TEST(PwxDocument, ASampleChannelIsWrittenOnlyWhenTheWorkoutHasIt) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const struct {
    void (*second)(HostSample&);  // the first sample is all zero
    std::string first;            // what the first sample holds besides its offset
  } cases[] = {
      {[](HostSample&) {}, ""},
      {[](HostSample& h) { h.HeartRate = 1; }, "<hr>0</hr>"},
      {[](HostSample& h) { h.Speed = 0.001; }, "<spd>0.000</spd>"},
      {[](HostSample& h) { h.Cadence = 255; }, "<cad>0</cad>"},
      {[](HostSample& h) { h.Distance = 0.001; }, "<dist>0.00</dist>"},
      {[](HostSample& h) { h.Altitude = -1; }, "<alt>0.00</alt>"},
      {[](HostSample& h) { h.Temperature = 0.01; }, "<temp>0.0</temp>"},
      {[](HostSample& h) { h.Temperature = kNaN; }, ""},  // written as 0: no reading either
      // Else only the second sample would carry a reading, and a reader drops the first.
      {[](HostSample& h) { h.Latitude = 47.0; }, "<dist>0.00</dist>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    PluginState s = FreshState();
    HostSample second{.TimeOffset = 1};
    c.second(second);
    PushSample(s, 0, {});
    PushSample(s, 1, second);
    const std::string doc = Document(s);
    const std::size_t from = doc.find("    <sample>");
    const std::string samples = doc.substr(from, doc.rfind("    </sample>") - from);
    EXPECT_EQ(samples.substr(0, samples.find("    </sample>")),
              "    <sample>\r\n      <timeoffset>0.000</timeoffset>\r\n" + (c.first.empty() ? "" : "      " + c.first + "\r\n"));
    // In the second sample too; without a channel, the offsets are all.
    EXPECT_EQ(CountLines(Lines(samples), "      " + c.first.substr(0, c.first.find('>') + 1)), 2);
  }
}

TEST(PwxDocument, PedalBalanceBecomesTheRightPedalsWatts) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    double power, balance;
    const char* right;  // "" when no line
  };
  const Case cases[] = {
      {200, 40, "120"},      // left 40 %: right 60 % of 200 W
      {200, 168, "80"},      // bit 7: right 40 %
      {200, 48.9, "104"},    // left 48
      {250.5, 40, "151"},    // of the 251 W the line shows: 150.6
      {21, 50, "11"},        // 10.5, half away from zero
      {0.5, 40, "1"},        // written as 1 W: 0.6
      {200, 100, "0"},       // left 100 %
      {200, 0, ""},          // no balance
      {200, -5, ""},
      {200, kNaN, ""},
      {200, kInf, ""},
      {0, 40, ""},           // no power to share
      {0.4, 40, ""},         // written as 0 W
      {-50, 40, ""},
      {kInf, 40, ""},        // written as 0 W
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.power) + " W, balance " + std::to_string(c.balance));
    PluginState s = FreshState();
    PushSample(s, 0, {.Power = c.power, .PowerBalance = c.balance});
    PushSample(s, 1, {.TimeOffset = 1, .Power = 100});  // the workout has power in any case
    const std::vector<std::string> lines = Lines(Document(s));
    EXPECT_EQ(CountLines(lines, "      <pwrright>"), *c.right ? 1 : 0);
    if (*c.right) {
      EXPECT_TRUE(HasLine(lines, std::string("      <pwrright>") + c.right + "</pwrright>"));
    }
  }
}

TEST(PwxDocument, PositionLinesOnlyForAPosition) {
  struct Case {
    double lat, lon;
    const char* latLine;  // "" when neither line
    const char* lonLine;
  };
  const Case cases[] = {
      {0.0, 0.0, "", ""},
      {-0.0, 0.0, "", ""},
      {0.0, 7.4, "      <lat>0.000000</lat>", "      <lon>7.400000</lon>"},
      {46.9, 0.0, "      <lat>46.900000</lat>", "      <lon>0.000000</lon>"},
      {1e-9, 0.0, "      <lat>0.000000</lat>", "      <lon>0.000000</lon>"},  // stored, if too small to show
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lat) + ", " + std::to_string(c.lon));
    PluginState s = FreshState();
    PushSample(s, 0, {.Latitude = c.lat, .Longitude = c.lon});
    const std::vector<std::string> lines = Lines(Document(s));
    EXPECT_EQ(CountLines(lines, "      <lat>"), *c.latLine ? 1 : 0);
    EXPECT_EQ(CountLines(lines, "      <lon>"), *c.lonLine ? 1 : 0);
    if (*c.latLine) {
      EXPECT_TRUE(HasLine(lines, c.latLine));
      EXPECT_TRUE(HasLine(lines, c.lonLine));
    }
  }
}

TEST(PwxDocument, NumbersThatAreNotFiniteAreWrittenAsZero) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  PluginState s = FreshState();
  s.Workout.Summary.Distance = kNaN;
  PushSample(s, 0, {.Speed = kNaN, .Distance = kInf, .Power = kNaN, .Latitude = kNaN, .Longitude = 7.4,
                    .Altitude = -kInf, .Temperature = kNaN, .TorqueEffectivenessLeft = kInf});
  // Channels the workout has, so that the first sample's lines are written.
  PushSample(s, 1, {.TimeOffset = 1, .Speed = 1, .Distance = 1, .Power = 100, .Altitude = 1, .Temperature = 1});
  LapDataRecord lap = MakeLap(10, kNaN, -kInf);
  lap.MaxSpeed = kInf;
  lap.AvgSpeed = 36;
  SetLapDatasEx(s, lap);
  const std::string doc = Document(s);
  const std::vector<std::string> lines = Lines(doc);
  for (const char* line : {"      <dist>0.00</dist>", "        <beginning>0.000</beginning>",
                           "        <duration>0.000</duration>", "        <spd max=\"0.000\" min=\"0.000\" avg=\"10.000\"/>",
                           "        <dist>0.00</dist>", "      <spd>0.000</spd>", "      <pwr>0</pwr>",
                           "      <lat>0.000000</lat>", "      <alt>0.00</alt>", "      <temp>0.0</temp>",
                           "      <torque_effectiveness_left>0</torque_effectiveness_left>"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(HasLine(lines, line));
  }
  EXPECT_EQ(doc.find("nan"), std::string::npos);
  EXPECT_EQ(doc.find("inf"), std::string::npos);
}

TEST(PwxDocument, PedalFiguresOnlyAboveZeroAndAsWholeNumbers) {
  struct Case {
    double value;
    const char* valueText;  // "" when no line
  };
  const Case cases[] = {{0.0, ""}, {-3.0, ""}, {0.5, "0"}, {35.9, "35"}, {100.0, "100"}, {1e300, "9223372036854775807"}};
  const char* names[] = {"torque_effectiveness_left", "torque_effectiveness_right", "pedal_smoothness_left",
                         "pedal_smoothness_right"};
  for (const Case& c : cases) {
    for (int which = 0; which < 4; ++which) {
      SCOPED_TRACE(std::string(names[which]) + " " + std::to_string(c.value));
      PluginState s = FreshState();
      HostSample v;
      (which == 0 ? v.TorqueEffectivenessLeft
       : which == 1 ? v.TorqueEffectivenessRight
       : which == 2 ? v.PedalSmoothnessLeft
                    : v.PedalSmoothnessRight) = c.value;
      PushSample(s, 0, v);
      const std::vector<std::string> lines = Lines(Document(s));
      const std::string open = std::string("      <") + names[which] + ">";
      EXPECT_EQ(CountLines(lines, "      <torque_") + CountLines(lines, "      <pedal_"), *c.valueText ? 1 : 0);
      if (*c.valueText) {
        EXPECT_TRUE(HasLine(lines, open + c.valueText + "</" + names[which] + ">"));
      }
    }
  }
}

TEST(PwxDocument, LapsAreNumberedAndCarryTheirOptionalLines) {
  PluginState s = FreshState();
  LapDataRecord first = MakeLap(600, 300, 1.5);
  first.MaxHeartRate = 160;
  first.AvgHeartRate = 140;
  first.MaxSpeed = 36;
  first.AvgSpeed = 18;
  first.MaxPower = 400;
  first.AvgPower = 212.5;
  first.MaxCadence = 95;
  first.AvgCadence = 88;
  LapDataRecord second = MakeLap(700, 100.0005, 0);
  second.MaxHeartRate = 170;  // no average: no line
  second.AvgSpeed = 20;       // no maximum: no line
  second.MaxPower = 300;
  second.AvgPower = -1;  // not above 0: no line
  second.AvgCadence = 80;
  SetLapDatasEx(s, first);
  SetLapDatasEx(s, second);
  const std::vector<std::string> lines = Lines(Document(s));
  const std::vector<std::string> expected = {
      "    <segment>",
      "      <name>Lap 1</name>",
      "      <summarydata>",
      "        <beginning>300.000</beginning>",
      "        <duration>300.000</duration>",
      "        <hr max=\"160.000\" min=\"0.000\" avg=\"140.000\"/>",
      "        <spd max=\"10.000\" min=\"0.000\" avg=\"5.000\"/>",
      "        <pwr max=\"400.000\" min=\"0.000\" avg=\"212.500\"/>",
      "        <cad max=\"95.000\" min=\"0.000\" avg=\"88.000\"/>",
      "        <dist>1500.00</dist>",
      "      </summarydata>",
      "    </segment>",
      "    <segment>",
      "      <name>Lap 2</name>",
      "      <summarydata>",
      "        <beginning>600.000</beginning>",
      "        <duration>100.001</duration>",
      "        <dist>0.00</dist>",
      "      </summarydata>",
      "    </segment>",
  };
  std::size_t at = 0;
  while (at < lines.size() && lines[at] != "    <segment>") ++at;
  ASSERT_LE(at + expected.size(), lines.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(expected[k]);
    EXPECT_EQ(lines[at + k], expected[k]);
  }
  EXPECT_TRUE(HasLine(lines, "      <laps>2</laps>"));
}

TEST(PwxDocument, NegativeValuesRoundAwayFromZero) {
  PluginState s = FreshState();
  SetLapDatasEx(s, MakeLap(0, 0.0005, 0));  // beginning -0.0005
  const std::vector<std::string> lines = Lines(Document(s));
  EXPECT_TRUE(HasLine(lines, "        <beginning>-0.001</beginning>"));
}

TEST(PwxDocument, SportTypeTextByTheHostsNumbering) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0, "Bike"}, {1, "Run"}, {2, "Cross train"}, {3, "Walk"}, {4, "XC Ski"},
      {5, "Other"}, {6, "Mountain Bike"}, {7, "Swim"}, {8, "Other"}, {255, "Other"}};
  for (const auto& [code, text] : cases) {
    SCOPED_TRACE(code);
    PluginState s = FreshState();
    s.Workout.Summary.SportType = code;
    EXPECT_TRUE(HasLine(Lines(Document(s)), std::string("    <sportType>") + text + "</sportType>"));
  }
}

TEST(PwxDocument, AthleteLinesOnlyWithAName) {
  struct Case {
    std::string user;
    int athleteLines;
    const char* nameLine;
  };
  const Case cases[] = {
      {"", 0, ""},
      {"Anna Berg", 1, "      <name>Anna Berg</name>"},
      {"Smith & Sons <Racing>", 1, "      <name>Smith &amp; Sons &lt;Racing&gt;</name>"},
      {"Bo\x01", 1, "      <name>Bo</name>"},  // nothing XML forbids
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    PluginState s = FreshState();
    s.Workout.UserName = c.user;
    const std::vector<std::string> lines = Lines(Document(s));
    EXPECT_EQ(CountLines(lines, "    <athlete>"), c.athleteLines);
    EXPECT_EQ(CountLines(lines, "    </athlete>"), c.athleteLines);
    if (c.athleteLines) {
      EXPECT_TRUE(HasLine(lines, c.nameLine));
    }
  }
}

TEST(PwxDocument, CommentLineBreaksBecomeSpacesForGood) {
  struct Case {
    std::string comment;
    std::string stored;  // Comment after ExportDatas
    std::string line;
  };
  const Case cases[] = {
      {"", "", "    <cmt></cmt>"},
      {"First\r\n123", "First 123", "    <cmt>First 123</cmt>"},
      {"a\r\n\r\nb", "a  b", "    <cmt>a  b</cmt>"},
      {"lone\rcr and lone\nlf", "lone\rcr and lone\nlf", "    <cmt>lone\rcr and lone\nlf</cmt>"},
      {"x < y & z", "x < y & z", "    <cmt>x &lt; y &amp; z</cmt>"},
      {"end\r", "end\r", "    <cmt>end\r</cmt>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comment);
    PluginState s = FreshState();
    s.Workout.Comment = c.comment;
    // The workout keeps the spaces, and a second export writes the same line.
    EXPECT_NE(Document(s).find(c.line + "\r\n"), std::string::npos);
    EXPECT_EQ(s.Workout.Comment, c.stored);
    EXPECT_NE(test::SavedDocument(s).find(c.line + "\r\n"), std::string::npos);
    EXPECT_EQ(s.Workout.Comment, c.stored);
  }
}

TEST(PwxDocument, AZeroStartIsWrittenAsNowAndTheExportKeepsIt) {
  PluginState s = FreshState();
  s.Workout.Summary.StartTime = 0.0;
  // kWriterNow is 2020-02-29 23:59:58, and the workout keeps it.
  EXPECT_NE(Document(s).find("    <time>2020-02-29T23:59:58</time>\r\n"), std::string::npos);
  const double marked = s.Workout.Summary.StartTime;
  EXPECT_EQ(marked, test::kWriterNow);

  // The export takes the clock's time and keeps it: the document read back starts there.
  s.Workout.Summary.StartTime = 0.0;
  const std::string doc = test::SavedDocument(s);
  const double kept = s.Workout.Summary.StartTime;
  EXPECT_GT(kept, 0.0);
  const std::string path = test::TempDir() + "/zero-start.pwx";
  test::WriteFile(path, doc);
  PluginState back;
  ASSERT_EQ(ImportPwxFile(back, path.c_str()), PwxReadOutcome::Imported);
  const double read = back.Workout.Summary.StartTime;
  EXPECT_NEAR(read, kept, 1.0 / 86400);

  // A start that is set stays exactly as it was, and is what the document says.
  PluginState given = FreshState();  // 2016-05-24 10:20:30
  const double start = given.Workout.Summary.StartTime;
  EXPECT_NE(test::SavedDocument(given).find("    <time>2016-05-24T10:20:30</time>\r\n"), std::string::npos);
  const double after = given.Workout.Summary.StartTime;
  EXPECT_EQ(after, start);
}

}  // namespace
}  // namespace tessaly
