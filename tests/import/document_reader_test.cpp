// Whole documents: the walk, the derived values, failed imports and AnalyseExercise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "import_test_support.h"
#include "plugin/plugin_core.h"
#include "pwx_import/document_reader.h"
#include "util/date_time.h"

namespace tessaly {
namespace {

using test::PwxDocument;
using test::V;
using test::TempPwx;

constexpr double kSecond = 1.0 / 86400.0;

// A fresh plug-in state per test, as after loading the library.
std::unique_ptr<PluginState> Fresh() { return std::make_unique<PluginState>(); }

std::int32_t Import(PluginState& state, const std::string& name, const std::string& document) {
  const std::string path = TempPwx(name, document);
  return AnalyseExercise(state, path.c_str());
}

std::string Samples(std::initializer_list<const char*> contents) {
  std::string out;
  for (const char* c : contents) out += std::string("<sample>") + c + "</sample>\n";
  return out;
}

const DateTime kMay24At0800 = EncodeDate(2016, 5, 24) + EncodeTime(8, 0, 0, 0);
const char* const kTime = "<time>2016-05-24T08:00:00</time>";

TEST(DocumentReader, ElementNamesMatchInAnyCaseButNotWithAPrefix) {
  struct Case {
    const char* Name;
    std::string Document;
    int Samples;
    int SportType;
  };
  const Case cases[] = {
      {"mixed case", "<pwx><Workout><SPORTTYPE>Bike</SPORTTYPE><Sample><TimeOffset>1</TimeOffset></Sample></Workout></pwx>", 1, 3},
      {"prefixed workout", "<pwx xmlns:p='urn:x'><p:workout><sporttype>Bike</sporttype><sample><hr>1</hr></sample></p:workout></pwx>", 0, 1},
      {"prefixed children", "<pwx xmlns:p='urn:x'><workout><p:sporttype>Bike</p:sporttype><p:sample><hr>1</hr></p:sample></workout></pwx>", 0, 1},
      {"other root", "<log><workout><sporttype>Run</sporttype><sample><hr>1</hr></sample></workout></log>", 1, 2},
      {"workout as root", "<workout><sporttype>Run</sporttype><sample><hr>1</hr></sample></workout>", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto state = Fresh();
    EXPECT_EQ(Import(*state, "names.pwx", c.Document), c.Samples);
    EXPECT_EQ(V(state->Workout.Summary.SportType), c.SportType);
  }
}

TEST(DocumentReader, SportTypes) {
  struct Case {
    const char* Elements;
    int Code;
  };
  const Case cases[] = {
      {"<sporttype>bike</sporttype>", 1},
      {"<sporttype>Bike</sporttype>", 3},
      {"<sporttype>Mountain Bike</sporttype>", 4},
      {"<sporttype> Bike</sporttype>", 1},
      {"<sporttype>Swim</sporttype><sporttype>Other</sporttype>", 6},
      {"<sporttype>Swim</sporttype><sporttype>Walk</sporttype>", 2},
      {"", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Elements);
    auto state = Fresh();
    Import(*state, "sport.pwx", PwxDocument(std::string(c.Elements) + kTime + Samples({"<hr>1</hr>"})));
    EXPECT_EQ(V(state->Workout.Summary.SportType), c.Code);
  }
}

TEST(DocumentReader, CommentCollectsCmtTextsAndDeviceIds) {
  struct Case {
    std::string Elements;
    std::string Comment;
  };
  const Case cases[] = {
      {"<cmt>First</cmt><device id=\"123\"><make>x</make></device>", "First\r\n123"},
      {"<device><make>x</make></device><cmt>Only</cmt>", "Only"},
      {"<device id=\"\"/><cmt></cmt><cmt>  </cmt>", ""},
      {"<cmt>a</cmt><cmt><b>x</b></cmt><cmt>c</cmt>", "a\r\nc"},
      {"<CMT>x &amp; y</CMT>", "x & y"},
      {"<cmt><![CDATA[hidden]]></cmt>", ""},
      {"<device ID=\"upper\"/>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Elements);
    auto state = Fresh();
    state->Workout.Comment = "from before";
    Import(*state, "comment.pwx", PwxDocument(c.Elements + kTime + Samples({"<hr>1</hr>"})));
    EXPECT_EQ(state->Workout.Comment, c.Comment);
  }
  // Two workouts add to the same comment.
  auto state = Fresh();
  Import(*state, "comment2.pwx", "<pwx><workout><cmt>one</cmt></workout><workout><cmt>two</cmt></workout></pwx>");
  EXPECT_EQ(state->Workout.Comment, "one\r\ntwo");
}

TEST(DocumentReader, StartAndEndTimes) {
  struct Case {
    const char* Name;
    std::string Elements;
    DateTime Start;
    DateTime End;
  };
  const Case cases[] = {
      {"one time", std::string(kTime) + "<summarydata><duration>3600</duration></summarydata>", kMay24At0800,
       kMay24At0800 + 3600 * kSecond},
      {"first empty", "<time></time><time>2016-05-24T08:00:00</time>", kMay24At0800, kMay24At0800},
      {"first not text", "<time><x/></time><time>2016-05-24T08:00:00</time>", kMay24At0800, kMay24At0800},
      {"first wins", "<time>2016-05-24T08:00:00</time><time>2017-01-01T00:00:00</time>", kMay24At0800, kMay24At0800},
      {"a day and more", std::string(kTime) + "<summarydata><duration>90061</duration></summarydata>",
       kMay24At0800, kMay24At0800 + 1 + 3661 * kSecond},
      {"negative duration", std::string(kTime) + "<summarydata><duration>-60</duration></summarydata>",
       kMay24At0800, kMay24At0800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto state = Fresh();
    Import(*state, "times.pwx", PwxDocument(c.Elements + Samples({"<hr>1</hr>"})));
    EXPECT_NEAR(V(state->Workout.Summary.StartTime), c.Start, 1e-9);
    EXPECT_NEAR(V(state->Workout.Summary.EndTime), c.End, 1e-9);
  }
}

TEST(DocumentReader, WithoutATimeTheWorkoutStartsNow) {
  // The reader is handed the time; AnalyseExercise hands it the clock's.
  const std::string doc = PwxDocument("<summarydata><duration>120</duration></summarydata>" + Samples({"<hr>1</hr>"}));
  SampleStore samples;
  LapStore laps;
  const PwxRead read = ReadPwxFile(TempPwx("notime.pwx", doc).c_str(), {.AHFactor = 2, .Now = kMay24At0800, .Watch = {}}, samples, laps);
  EXPECT_EQ(read.Outcome, PwxReadOutcome::Imported);
  EXPECT_EQ(V(read.Staged.Summary.StartTime), kMay24At0800);
  EXPECT_NEAR(V(read.Staged.Summary.EndTime), kMay24At0800 + 120 * kSecond, 1e-9);
  EXPECT_EQ(read.Staged.Samples.Count(), 1);

  auto state = Fresh();
  const DateTime before = LocalNow();
  Import(*state, "notime.pwx", PwxDocument("<summarydata><duration>120</duration></summarydata>" + Samples({"<hr>1</hr>"})));
  const DateTime after = LocalNow();
  EXPECT_GE(V(state->Workout.Summary.StartTime), before - kSecond);
  EXPECT_LE(V(state->Workout.Summary.StartTime), after + kSecond);
  EXPECT_NEAR(V(state->Workout.Summary.EndTime) - V(state->Workout.Summary.StartTime), 120 * kSecond, 1e-9);
}

TEST(DocumentReader, SampleIntervalAndDistance) {
  struct Case {
    std::string Content;
    int Interval;
    double Distance;
  };
  const Case cases[] = {
      {Samples({"<timeoffset>0</timeoffset>", "<timeoffset>5</timeoffset>"}), 5, 0},
      {Samples({"<timeoffset>0</timeoffset>", "<timeoffset>300</timeoffset>"}), 44, 0},
      {Samples({"<timeoffset>10</timeoffset>", "<timeoffset>5</timeoffset>"}), 251, 0},
      {Samples({"<timeoffset>-2147483648</timeoffset>", "<timeoffset>2147483647</timeoffset>"}), 255, 0},
      {Samples({"<timeoffset>7</timeoffset>"}), 0, 0},
      // Samples without a reading are not stored: the interval is that of the first two stored.
      {Samples({"<timeoffset>1</timeoffset>", "<timeoffset>2</timeoffset><hr>90</hr>", "<timeoffset>3</timeoffset>",
                "<timeoffset>4</timeoffset><hr>91</hr>"}), 2, 0},
      {"<summarydata><dist>10000</dist></summarydata>" + Samples({"<dist>0</dist>", "<dist>10500</dist>"}), 0, 10.5},
      {"<summarydata><dist>10000</dist></summarydata>" + Samples({"<dist>0</dist>", "<dist>9800</dist>"}), 0, 10.0},
      {"<summarydata><dist>10000</dist></summarydata>" + Samples({"<dist>12000</dist>"}), 0, 10.0},  // one sample
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Content);
    auto state = Fresh();
    Import(*state, "interval.pwx", PwxDocument(kTime + c.Content));
    EXPECT_EQ(V(state->Workout.Summary.SampleInterval), c.Interval);
    EXPECT_DOUBLE_EQ(V(state->Workout.Summary.Distance), c.Distance);
  }
}

TEST(DocumentReader, CaloriesFallBackToTheSegments) {
  const std::string segments =
      "<segment><summarydata><duration>10</duration></summarydata><extension><calories>100</calories></extension></segment>"
      "<segment><summarydata><beginning>10</beginning><duration>10</duration></summarydata>"
      "<extension><calories>150</calories></extension></segment>";
  auto state = Fresh();
  Import(*state, "cal1.pwx", PwxDocument(kTime + segments + Samples({"<timeoffset>0</timeoffset>"})));
  EXPECT_EQ(V(state->Workout.Summary.Calories), 250);
  EXPECT_EQ(V(state->Workout.Summary.LapCount), 2);

  state = Fresh();
  Import(*state, "cal2.pwx",
         PwxDocument(kTime + segments + "<extension><calories>300</calories></extension>" + Samples({"<hr>1</hr>"})));
  EXPECT_EQ(V(state->Workout.Summary.Calories), 300);
}

TEST(DocumentReader, LapsGetTheirStatisticsAndCount) {
  auto state = Fresh();
  const std::int32_t n = Import(
      *state, "laps.pwx",
      PwxDocument(std::string(kTime) +
                  "<segment><summarydata><beginning>0</beginning><duration>10</duration></summarydata></segment>"
                  "<segment><summarydata><beginning>10</beginning><duration>10</duration>"
                  "<hr max=\"199\"/></summarydata></segment>" +
                  Samples({"<timeoffset>0</timeoffset><hr>100</hr><dist>0</dist>",
                           "<timeoffset>10</timeoffset><hr>120</hr><dist>100</dist>",
                           "<timeoffset>20</timeoffset><hr>140</hr><dist>250</dist>"})));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(V(state->Workout.Summary.LapCount), 2);
  LapDataRecord first, second;
  state->Workout.Laps.GetLap(0, first);
  state->Workout.Laps.GetLap(1, second);
  EXPECT_EQ(V(first.LapKind), 2);
  EXPECT_EQ(V(first.EndTimeOfDay), 8 * 3600 + 10);
  EXPECT_DOUBLE_EQ(V(first.Distance), 0.1);       // filled from the samples
  EXPECT_EQ(V(first.MaxHeartRate), 120);
  EXPECT_EQ(V(second.MaxHeartRate), 199);         // the file's value stays
  EXPECT_DOUBLE_EQ(V(second.TotalDistance), 0.25);
}

// The notes of a read, one line each: kind, element, count, first place, text, value, sample.
std::string NotesOf(const PwxRead& read) {
  static const char* const kKinds[] = {"Merged", "NoReading", "BeyondLimit", "BeyondRecord", "NotAfter", "SummaryZero",
                                       "LapZero", "Zone", "NoStart", "LapsHeld", "OneWatt", "Watched"};
  std::string out;
  for (const ImportNote& n : read.Report.Notes) {
    out += std::string(kKinds[static_cast<int>(n.Kind)]) + " " + std::string(n.Element) + " x" + std::to_string(n.Count) +
           " " + std::to_string(n.First.Line) + ":" + std::to_string(n.First.Column) + " '" + n.Text + "' v" +
           std::to_string(n.Value) + " s" + std::to_string(n.SampleIndex) + "\n";
  }
  return out;
}

PwxRead ReadWatched(const std::string& document) {
  SampleStore samples;
  LapStore laps;
  const PwxReadSettings settings{.AHFactor = 2, .Now = kMay24At0800, .Watch = {500, 3000, 250, 90, 180, 0}};
  return ReadPwxFile(TempPwx("noted.pwx", document).c_str(), settings, samples, laps);
}

TEST(ImportReport, NotesWhatTheImportChangesWhereItChangesIt) {
  // Line 4 of each document: a start and a summary of every channel the samples hold. A sample's
  // value is placed at its end tag, a sample at its own; columns count from 0.
  const std::string head = std::string(kTime) + "<summarydata><duration>9</duration><hr max=\"1\"/><spd max=\"1\"/>"
                           "<pwr max=\"1\"/><alt max=\"1\"/></summarydata>\n";
  struct Case {
    const char* Name;
    std::string Content;  // from line 4
    const char* Notes;
  };
  const Case cases[] = {
      {"a gap sample and a repeated offset",
       head + "<sample><timeoffset>0</timeoffset><hr>90</hr></sample>\n<sample><timeoffset>1</timeoffset></sample>\n"
              "<sample><timeoffset>1</timeoffset><hr>91</hr></sample>\n<sample><timeoffset>1</timeoffset><hr>92</hr></sample>",
       "NoReading sample x1 6:34 '' v0 s-1\nNotAfter timeoffset x1 8:45 '1' v1 s2\n"},
      // 2^32 keeps its low 32 bits, 0; 300 and 256 their low byte; -3 is 253.
      {"values beyond the record",
       head + "<sample><timeoffset>4294967296</timeoffset><hr>300</hr><cad>-3</cad></sample>\n"
              "<sample><timeoffset>5</timeoffset><hr>256</hr></sample>",
       "BeyondRecord timeoffset x1 5:30 '4294967296' v0 s0\nBeyondRecord hr x2 5:50 '300' v44 s0\n"
       "Watched hr x2 5:50 '300' v0 s0\nBeyondRecord cad x1 5:62 '-3' v253 s0\n"},
      {"values beyond the watch",
       head + "<sample><timeoffset>-5</timeoffset><spd>1e308</spd><pwr>4294967296</pwr><lat>951</lat><lon>-200</lon></sample>",
       "Watched timeoffset x1 5:22 '-5' v0 s0\nWatched spd x1 5:45 '1e308' v0 s0\nWatched pwr x1 5:66 '4294967296' v0 s0\n"
       "Watched lat x1 5:80 '951' v0 s0\nWatched lon x1 5:95 '-200' v0 s0\n"},
      {"1 W among more", head + "<sample><pwr>1</pwr></sample><sample><pwr>1.0</pwr></sample><sample><pwr>250</pwr></sample>",
       "OneWatt pwr x2 5:14 '1' v0 s0\n"},
      // Samples kept while none had a reading go at the first reading; indexes count stored samples.
      {"reading-less samples before the first reading",
       head + "<sample><timeoffset>0</timeoffset></sample>\n<sample><timeoffset>1</timeoffset><extension/></sample>\n"
              "<sample><timeoffset>2</timeoffset><hr>90</hr></sample>\n<sample><timeoffset>3</timeoffset></sample>\n"
              "<sample><timeoffset>3</timeoffset><hr>300</hr></sample>",
       "NoReading sample x3 5:34 '' v0 s-1\nBeyondRecord hr x1 9:41 '300' v44 s1\nWatched hr x1 9:41 '300' v0 s1\n"},
      {"no start, and summary figures the samples hold given as 0 or not at all",
       "<summarydata><hr max=\"0\" min=\"0\" avg=\"0\"/></summarydata>\n"
       "<sample><timeoffset>0</timeoffset><hr>90</hr><spd>2</spd></sample><sample><timeoffset>1</timeoffset><hr>91</hr></sample>",
       "NoStart time x1 3:0 '' v0 s-1\nSummaryZero duration x1 4:0 '' v0 s-1\nSummaryZero hr x1 4:0 '' v0 s-1\n"
       "SummaryZero spd x1 4:0 '' v0 s-1\n"},
      // The lap's heart rate comes from the samples; it has no cadence to take.
      {"lap figures given as 0",
       head + "<segment><summarydata><duration>1</duration><hr max=\"0\" avg=\"0\"/><cad max=\"0\"/></summarydata></segment>\n"
              "<sample><hr>90</hr></sample>",
       "LapZero hr x1 5:0 '' v0 s-1\n"},
      {"a zone designator", "<time> 2016-05-24T08:00:00+02:00 </time><summarydata><duration>1</duration></summarydata>",
       "Zone time x1 4:0 '2016-05-24T08:00:00+02:00' v0 s-1\n"},
      {"workouts merged", head + "<sample><hr>90</hr></sample>\n</workout><workout><sample><hr>91</hr></sample>",
       "Merged workout x1 6:10 '' v0 s-1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(NotesOf(ReadWatched(PwxDocument(c.Content))), c.Notes);
  }
}

TEST(DocumentReader, MoreLapsThanTheRecordCountsAreHeldAtItsMost) {
  std::string segments;
  for (int i = 0; i < 70000; ++i) segments += "<segment/>";
  const PwxRead read = ReadWatched(PwxDocument(kTime + segments + Samples({"<hr>1</hr>", "<hr>2</hr>"})));
  EXPECT_EQ(read.Staged.Laps.Count(), 70000);
  EXPECT_EQ(V(read.Staged.Summary.LapCount), 65535);  // not 70,000 wrapped round to 4,464
  // The 65,536th segment starts after the 32 characters of the time and 65,535 segments of 10.
  EXPECT_EQ(NotesOf(read), "SummaryZero hr x1 3:0 '' v0 s-1\nLapsHeld segment x4465 4:655382 '' v70000 s-1\n");
}

TEST(DocumentReader, SummaryWithoutSamplesAndSamplesWithoutSummary) {
  auto state = Fresh();
  EXPECT_EQ(Import(*state, "nosamples.pwx",
                   PwxDocument(std::string(kTime) + "<summarydata><duration>60</duration><hr max=\"150\"/></summarydata>")),
            0);
  EXPECT_EQ(V(state->Workout.Summary.Duration), 60);
  EXPECT_EQ(V(state->Workout.Summary.MaxHeartRate), 150);
  LogSummaryRecord out;
  EXPECT_FALSE(GetLogSummaryEx(*state, &out));

  state = Fresh();
  EXPECT_EQ(Import(*state, "nosummary.pwx",
                   PwxDocument(std::string(kTime) + "<sporttype>Run</sporttype>" +
                               Samples({"<timeoffset>0</timeoffset><hr>150</hr><spd>3</spd><alt>100</alt><dist>0</dist>",
                                        "<timeoffset>2</timeoffset><hr>160</hr><spd>4</spd><alt>120</alt><dist>8</dist>"}))),
            2);
  LogSummaryRecord expected;
  std::memset(&expected, 0, sizeof expected);
  expected.StartTime = kMay24At0800;
  expected.EndTime = kMay24At0800;
  expected.SportType = 2;
  expected.SampleInterval = 2;
  expected.Distance = 0.008;
  EXPECT_EQ(std::memcmp(&state->Workout.Summary, &expected, sizeof expected), 0);
}

TEST(DocumentReader, SummaryPowersReachSamplesFiveAndSix) {
  auto state = Fresh();
  std::string samples;
  for (int i = 0; i < 8; ++i) samples += "<sample><timeoffset>" + std::to_string(i) + "</timeoffset></sample>";
  Import(*state, "power.pwx", PwxDocument(std::string(kTime) + "<summarydata><pwr avg=\"212.5\" max=\"640.2\"/></summarydata>" + samples));
  EXPECT_EQ(state->Workout.SummaryAvgPower, 213);
  EXPECT_EQ(state->Workout.SummaryMaxPower, 640);
  ExerciseDataRecord record;
  std::memset(&record, 0xAB, sizeof record);
  ASSERT_TRUE(GetExerciseDatasEx(*state, 5, &record));
  EXPECT_EQ(V(record.SummaryPower), 213);
  ASSERT_TRUE(GetExerciseDatasEx(*state, 6, &record));
  EXPECT_EQ(V(record.SummaryPower), 640);
}

TEST(DocumentReader, CommaNumbersReadAsZero) {
  auto state = Fresh();
  Import(*state, "comma.pwx", PwxDocument(std::string(kTime) + "<summarydata><dist>12,5</dist></summarydata>" +
                                          Samples({"<spd>12,5</spd>"})));
  EXPECT_EQ(V(state->Workout.Summary.Distance), 0.0);
  EXPECT_EQ(state->Workout.Samples.GetSpd(0), 0.0);
}

TEST(DocumentReader, WorkoutsFollowOneAnotherAndImportsStartAfresh) {
  const std::string three = Samples({"<timeoffset>0</timeoffset><dist>100</dist>", "<timeoffset>1</timeoffset><hr>90</hr>",
                                     "<timeoffset>2</timeoffset><dist>300</dist>"});
  const std::string doc = "<pwx><workout><time>2016-05-24T08:00:00</time>" + three +
                          "</workout><workout><time>2017-01-01T00:00:00</time>" + three + "</workout></pwx>";
  auto state = Fresh();
  EXPECT_EQ(Import(*state, "two.pwx", doc), 6);
  EXPECT_EQ(state->Workout.Samples.GetTimeOffset(3), 0);
  EXPECT_DOUBLE_EQ(state->Workout.Samples.GetDist(3), 0.3);  // the second workout's 0.1 does not go back
  EXPECT_DOUBLE_EQ(V(state->Workout.Summary.StartTime), kMay24At0800);
  EXPECT_EQ(Import(*state, "two.pwx", doc), 6);      // indexes start at 0 again
  EXPECT_EQ(state->Workout.Samples.Count(), 6);
}

// Failed imports.

struct Before {
  LogSummaryRecord Summary{};
  std::string Comment = "earlier comment";
  std::int32_t Avg = 11, Max = 22;
};

// Reads directly (no AnalyseExercise clearing) so that what a failure leaves alone is visible.
PwxReadOutcome ReadOver(PluginState& state, const std::string& name, const std::string& document) {
  state.Workout.Summary.Calories = 1234;
  state.Workout.Summary.SportType = 9;
  state.Workout.Comment = "earlier comment";
  state.Workout.SummaryAvgPower = 11;
  state.Workout.SummaryMaxPower = 22;
  state.Workout.Samples.SetHr(3, 1);
  LapDataRecord lap{};
  state.Workout.Laps.Add(lap);
  const std::string path = TempPwx(name, document);
  return ImportPwxFile(state, path.c_str());
}

TEST(DocumentReader, LoadFailuresChangeNothingButEmptyTheStores) {
  struct Case {
    const char* Name;
    std::string Document;
  };
  std::string deep = "<pwx><workout><cmt>x</cmt><sample>";
  for (int i = 0; i < 300; ++i) deep += "<e>";
  const Case cases[] = {
      {"broken after samples",
       PwxDocument(std::string(kTime) + "<cmt>new</cmt><summarydata><pwr avg='5'/></summarydata>" +
                   Samples({"<hr>1</hr>", "<hr>2</hr>"})) + "<oops>"},
      {"bad UTF-8 at the end", PwxDocument(std::string(kTime) + Samples({"<hr>1</hr>"})) + "<!-- \xFF -->"},
      {"doctype", "<!DOCTYPE pwx [<!ENTITY e 'x'>]>" + PwxDocument("<cmt>&e;</cmt>" + Samples({"<hr>1</hr>"}))},
      {"too deep", deep},
      {"empty file", ""},
      {"walk error, then broken",
       PwxDocument("<cmt>new</cmt><time>2016-13-24T10:20:30</time>" + Samples({"<hr>1</hr>"})) + "</pwx>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto state = Fresh();
    EXPECT_EQ(ReadOver(*state, "fail.pwx", c.Document), PwxReadOutcome::LoadFailed);
    EXPECT_EQ(state->Workout.Samples.Count(), 0);
    EXPECT_EQ(state->Workout.Laps.Count(), 0);
    EXPECT_EQ(V(state->Workout.Summary.Calories), 1234);
    EXPECT_EQ(V(state->Workout.Summary.SportType), 9);
    EXPECT_EQ(state->Workout.Comment, "earlier comment");
    EXPECT_EQ(state->Workout.SummaryAvgPower, 11);
    EXPECT_EQ(state->Workout.SummaryMaxPower, 22);
  }
  auto state = Fresh();
  const std::string missing = test::TempDir() + "/missing.pwx";
  EXPECT_EQ(ImportPwxFile(*state, missing.c_str()), PwxReadOutcome::LoadFailed);
}

TEST(DocumentReader, AnImpossibleTimeStopsTheWalk) {
  const char* badTimes[] = {"2016-13-24T10:20:30", "2016-05-24T10:20:60", "2016-02-30T00:00:00", "x"};
  for (const char* bad : badTimes) {
    SCOPED_TRACE(bad);
    auto state = Fresh();
    const std::string doc =
        PwxDocument("<cmt>before</cmt><summarydata><duration>60</duration><pwr avg='5'/></summarydata>" +
                    Samples({"<hr>1</hr>", "<hr>2</hr>"}) + "<time>" + bad + "</time><cmt>after</cmt>" +
                    Samples({"<hr>3</hr>"}) + "<sporttype>Bike</sporttype>");
    EXPECT_EQ(ReadOver(*state, "badtime.pwx", doc), PwxReadOutcome::WalkStopped);
    EXPECT_EQ(state->Workout.Samples.Count(), 0);
    EXPECT_EQ(state->Workout.Laps.Count(), 0);
    // What the walk read before the error stands; nothing after it, and nothing derived.
    EXPECT_EQ(state->Workout.Comment, "before");
    EXPECT_EQ(V(state->Workout.Summary.SportType), 1);
    EXPECT_EQ(V(state->Workout.Summary.Duration), 60);
    EXPECT_EQ(state->Workout.SummaryAvgPower, 5);
    EXPECT_EQ(state->Workout.SummaryMaxPower, 0);
    EXPECT_EQ(V(state->Workout.Summary.StartTime), 0.0);
    EXPECT_EQ(V(state->Workout.Summary.Calories), 0);  // the block read replaces the one before whole
  }
}

TEST(DocumentReader, UtcTimesAtTheEndsOfTheCalendarImportInAnyZone) {
  // In any zone but UTC one of these shifts past the calendar; the workout imports all the same.
  for (const char* edge : {"9999-12-31T23:59:59Z", "0001-01-01T00:00:00Z"}) {
    SCOPED_TRACE(edge);
    auto state = Fresh();
    const std::string doc = PwxDocument(std::string("<time>") + edge + "</time><cmt>after</cmt>" +
                                        Samples({"<hr>3</hr>", "<hr>4</hr>"}));
    EXPECT_EQ(ReadOver(*state, "edge.pwx", doc), PwxReadOutcome::Imported);
    EXPECT_EQ(state->Workout.Samples.Count(), 2);
    EXPECT_EQ(state->Workout.Comment, "after");
    EXPECT_NE(V(state->Workout.Summary.StartTime), 0.0);
  }
}

TEST(AnalyseExercise, ExtensionFileAndCount) {
  auto state = Fresh();
  const std::string doc = PwxDocument(std::string(kTime) + Samples({"<timeoffset>0</timeoffset>",
                                                                    "<timeoffset>5</timeoffset>",
                                                                    "<timeoffset>10</timeoffset>"}));
  EXPECT_EQ(Import(*state, "capitals.PWX", doc), 3);
  EXPECT_EQ(V(state->Workout.Summary.SampleInterval), 5);
  ExerciseDataRecord record{};
  ASSERT_TRUE(GetExerciseDatasEx(*state, 2, &record));
  EXPECT_EQ(V(record.TimeOffset), 10);

  // Another extension: nothing happens, the earlier import is still served.
  const std::string txt = TempPwx("workout.txt", doc);
  EXPECT_EQ(AnalyseExercise(*state, txt.c_str()), 0);
  LogSummaryRecord summary;
  EXPECT_TRUE(GetLogSummaryEx(*state, &summary));
  EXPECT_EQ(state->Workout.Samples.Count(), 3);
  EXPECT_EQ(AnalyseExercise(*state, nullptr), 0);
  EXPECT_EQ(state->Workout.Samples.Count(), 3);

  // A missing file or a folder: empty stores and a zero summary.
  const std::string missing = test::TempDir() + "/missing.pwx";
  EXPECT_EQ(AnalyseExercise(*state, missing.c_str()), 0);
  EXPECT_FALSE(GetLogSummaryEx(*state, &summary));
  LogSummaryRecord zero;
  std::memset(&zero, 0, sizeof zero);
  EXPECT_EQ(std::memcmp(&state->Workout.Summary, &zero, sizeof zero), 0);
  EXPECT_EQ(AnalyseExercise(*state, test::TempDir().c_str()), 0);

  // A load failure through AnalyseExercise leaves the zero summary.
  EXPECT_EQ(Import(*state, "broken.pwx", doc + "<x>"), 0);
  EXPECT_EQ(std::memcmp(&state->Workout.Summary, &zero, sizeof zero), 0);
}

}  // namespace
}  // namespace tessaly
