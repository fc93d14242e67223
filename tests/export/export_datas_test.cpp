// ExportDatas and the saving underneath it: where the file lands, that it is whole, and that a
// failed save leaves everything as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "document_check.h"
#include "export_test_support.h"
#include "platform/file_save.h"
#include "pwx_export/pwx_writer.h"
#include "test_support.h"
#include "util/ascii.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::FreshState;
using test::PushSample;

// A fresh folder of its own for each test.
std::string Folder(const std::string& name) {
  const fs::path dir = fs::path(test::TempDir()) / ("export-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.generic_string();
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

PluginState SmallWorkout() {
  PluginState s = FreshState();
  s.Workout.Summary.Duration = 2;
  PushSample(s, 0, {.TimeOffset = 0, .HeartRate = 120, .Speed = 18});
  PushSample(s, 1, {.TimeOffset = 1, .HeartRate = 121, .Speed = 18.5, .Distance = 0.005});
  return s;
}

TEST(ExportDatas, WritesTheDocumentUnderTheTargetNameWithPwxExtension) {
  struct Case {
    const char* target;  // inside the test folder
    const char* written;
  };
  const Case cases[] = {
      {"ride.tmp", "ride.pwx"},
      {"ride", "ride.pwx"},
      {"ride.pwx", "ride.pwx"},
      {"Ride.PWX", "Ride.pwx"},
      {"sub.dir/ride", "sub.dir/ride.pwx"},  // the dot of a folder is no extension
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const std::string dir = Folder("names");
    fs::create_directories(dir + "/sub.dir");
    PluginState s = SmallWorkout();
    const std::string target = dir + "/" + c.target;
    ASSERT_EQ(ExportDatas(s, target.c_str()), 1);
    const std::string written = dir + "/" + c.written;
    ASSERT_TRUE(fs::is_regular_file(written));
    PluginState again = SmallWorkout();
    EXPECT_EQ(test::ReadFile(written), test::Document(again));
    // Names that differ only in case are one file where the file system ignores case.
    std::string from = c.target, to = c.written;
    for (std::string* n : {&from, &to}) {
      for (char& ch : *n) ch = LowerAscii(ch);
    }
    if (from != to) {
      EXPECT_FALSE(fs::exists(target));
    }
  }
}

TEST(ExportDatas, ReplacesAnExistingFileWholeAndLeavesNoTemporaryFile) {
  const std::string dir = Folder("replace");
  const std::string path = dir + "/ride.pwx";
  test::WriteFile(path, std::string(200000, 'x'));  // longer than the new document
  PluginState s = SmallWorkout();
  ASSERT_EQ(ExportDatas(s, path.c_str()), 1);
  PluginState again = SmallWorkout();
  EXPECT_EQ(test::ReadFile(path), test::Document(again));
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"ride.pwx"});
}

TEST(ExportDatas, AFailedSaveIsZeroAndLeavesTheFolderAsItWas) {
  struct Case {
    const char* name;
    std::string (*target)(const std::string& dir);
  };
  const Case cases[] = {
      {"folder missing", [](const std::string& dir) { return dir + "/no-such-folder/ride.pwx"; }},
      {"target is a folder", [](const std::string& dir) {
         fs::create_directories(dir + "/ride.pwx/keep");
         test::WriteFile(dir + "/ride.pwx/keep/inside.txt", "kept");
         return dir + "/ride.tmp";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = Folder("fail");
    test::WriteFile(dir + "/other.pwx", "untouched");
    const std::string target = c.target(dir);
    const std::vector<std::string> before = Entries(dir);
    PluginState s = SmallWorkout();
    EXPECT_EQ(ExportDatas(s, target.c_str()), 0);
    EXPECT_EQ(Entries(dir), before);
    EXPECT_EQ(test::ReadFile(dir + "/other.pwx"), "untouched");
    if (fs::exists(dir + "/ride.pwx/keep/inside.txt")) {
      EXPECT_EQ(test::ReadFile(dir + "/ride.pwx/keep/inside.txt"), "kept");
    }
  }
}

TEST(ExportDatas, NoTargetIsNoFile) {
  for (const char* target : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(target ? "empty" : "null");
    PluginState s = SmallWorkout();
    EXPECT_EQ(ExportDatas(s, target), 0);
  }
}

TEST(ExportDatas, LaterExportsKeepWhatTheStoresAlreadyHeld) {
  // The stores are only emptied by an import: three samples stay three after pushing one again,
  // and laps are appended behind the earlier ones.
  const std::string dir = Folder("keep");
  PluginState s = SmallWorkout();
  PushSample(s, 2, {.TimeOffset = 2, .HeartRate = 122});
  SetLapDatasEx(s, test::MakeLap(1, 1, 0.001));
  ASSERT_EQ(ExportDatas(s, (dir + "/first").c_str()), 1);
  PushSample(s, 0, {.TimeOffset = 0, .HeartRate = 99});
  SetLapDatasEx(s, test::MakeLap(2, 1, 0.002));
  ASSERT_EQ(ExportDatas(s, (dir + "/second").c_str()), 1);
  const std::string second = test::ReadFile(dir + "/second.pwx");
  test::ExpectReadableDocument(second, 3, 2);
  const std::vector<std::string> lines = test::Lines(second);
  EXPECT_EQ(test::CountLines(lines, "    <sample>"), 3);
  EXPECT_TRUE(test::HasLine(lines, "      <hr>99</hr>"));
  EXPECT_TRUE(test::HasLine(lines, "      <hr>122</hr>"));
  EXPECT_TRUE(test::HasLine(lines, "      <name>Lap 2</name>"));
  EXPECT_TRUE(test::HasLine(lines, "      <points>3</points>"));
}

// The whole of bytes saved as the file at path, in one piece.
bool Save(const std::string& path, std::string_view bytes) {
  platform::FileReplacement file(path);
  return file.Write(bytes) && file.Commit().Outcome == platform::SaveOutcome::Saved;
}

TEST(FileReplacement, WritesExactBytesAndRefusesWhatItCannotWrite) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string binary;
  for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
  const Case cases[] = {
      {"empty", ""},
      {"text with CR LF", "a\r\nb\r\n"},
      {"every byte value", binary},
      {"large", std::string(3 << 20, 'q')},
  };
  const std::string dir = Folder("save");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir + "/file.bin";
    ASSERT_TRUE(Save(path, c.bytes));
    EXPECT_EQ(test::ReadFile(path), c.bytes);
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"file.bin"});
  }
  EXPECT_FALSE(Save("", "x"));
  EXPECT_FALSE(Save(dir + "/missing/file.bin", "x"));
  EXPECT_EQ(test::ReadFile(dir + "/file.bin"), cases[3].bytes);
}

// The export hands its text to the file in pieces as it goes; the pieces must add up to exactly
// the document handed to one sink, and a file left unfinished must leave nothing behind.
TEST(ExportDatas, SavesALongWorkoutPieceByPieceAndLeavesNothingOfAnUnfinishedOne) {
  PluginState s = FreshState();
  s.Workout.Summary.StartTime = 45000.25;  // not 0, so that the time of the export does not matter
  for (std::int32_t i = 0; i < 4000; ++i) {
    PushSample(s, i, {.TimeOffset = i, .HeartRate = 140, .Speed = 30.5, .Distance = i * 0.0085, .Power = 250,
                      .Latitude = 47.123456, .Longitude = 8.654321, .Altitude = 512.5, .Temperature = 21.5});
  }
  const std::string dir = Folder("pieces");
  ASSERT_EQ(ExportDatas(s, (dir + "/long").c_str()), 1);
  const std::string saved = test::ReadFile(dir + "/long.pwx");
  EXPECT_GT(saved.size(), 3 * PwxLineWriter::kPieceBytes);
  test::StringSink whole;
  EXPECT_TRUE(WritePwxDocument(s.Workout, 0.0, whole));
  EXPECT_EQ(saved, whole.text);

  struct RefusesTheSecondPiece final : PwxSink {
    int pieces = 0;
    bool Write(std::string_view) override { return ++pieces < 2; }
  } refusing;
  EXPECT_FALSE(WritePwxDocument(s.Workout, 0.0, refusing));
  EXPECT_EQ(refusing.pieces, 2);  // nothing is handed on after a refusal

  {
    platform::FileReplacement unfinished(dir + "/long.pwx");
    ASSERT_TRUE(unfinished.Write("<?xml"));
  }
  EXPECT_EQ(test::ReadFile(dir + "/long.pwx"), saved);
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"long.pwx"});
  platform::FileReplacement nowhere(dir + "/missing/long.pwx");
  EXPECT_FALSE(nowhere.Write("x"));
  EXPECT_EQ(nowhere.Commit().Outcome, platform::SaveOutcome::Refused);
}

}  // namespace
}  // namespace tessaly
