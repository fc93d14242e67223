// Exports that cannot be done as asked, seen as the host sees them: the export answers 0 and an
// earlier file at the target stays as it was; and the targets a plain write would handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "host_round.h"
#include "test_support.h"

namespace tessaly {
namespace {

TEST(HostileExport, AnImpossibleStartTimeAnswersZeroAndLeavesTheTarget) {
  const std::string target = test::TempDir() + "/keep.pwx";
  test::WriteFile(target, "earlier export");
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  const tool::PluginApi& api = plugin->api();
  // Far past year 9999, before year 1, and 3,000,000 days (about year 10113).
  for (double start : {1e300, -1e9, 3e6}) {
    SCOPED_TRACE(start);
    LogSummaryRecord summary{};
    summary.StartTime = start;
    summary.Duration = 60;
    ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
    EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0), 0);
    EXPECT_EQ(test::ReadFile(target), "earlier export");
  }
  // The same plug-in still exports once the start is possible again.
  LogSummaryRecord summary{};
  summary.StartTime = 42514.5;  // 2016-05-24 12:00
  ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
  EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, target.c_str(), 0), 1);
  EXPECT_NE(test::ReadFile(target).find("<time>2016-05-24T12:00:00</time>"), std::string::npos);
}

namespace fs = std::filesystem;

// How a case's folder is laid out before the export; most hold an earlier ride.pwx of mode 0666.
enum class Layout { Nothing, Earlier, ReadOnly, Link, HardLink, Folder, Frozen, Stale, Held, Deep };

struct SaveCase {
  const char* name;
  Layout layout;
  const char* detail;   // Held: the sharing allowed; Deep: the folder's length in characters
  const char* target;   // as the host names it, inside the case's folder
  int native, windows;  // the export's answer; -1 where the case cannot be laid out
  const char* checked;  // the file then holding the export (answer 1) or the earlier bytes; "" none
  unsigned mode;        // its permission bits afterwards, as the standard library tells them; 0 any
  std::set<std::string> entries;  // everything in the folder afterwards
};

TEST(HostileExport, EveryTargetIsWrittenAsAPlainWriteWouldOrRefusedWithNothingLeft) {
  const std::string earlier(4096, 'e');  // longer than the export, so a copy must cut it
  const std::string old = ".tessaly-0123456789ab.tmp", young = ".tessaly-ba9876543210.tmp";
  const SaveCase cases[] = {
      {"replaced, mode kept", Layout::Earlier, "", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"read-only", Layout::ReadOnly, "", "ride.pwx", 0, 0, "ride.pwx", 0444, {"ride.pwx"}},
      {"a link", Layout::Link, "", "link.pwx", 1, -1, "ride.pwx", 0666, {"link.pwx", "ride.pwx"}},
      {"a second name", Layout::HardLink, "", "ride.pwx", 1, 1, "other.pwx", 0666, {"other.pwx", "ride.pwx"}},
      {"trailing separator", Layout::Folder, "", "dir.pwx/", 0, 0, "", 0, {"dir.pwx"}},
      {"missing folder", Layout::Nothing, "", "missing/ride.pwx", 0, 0, "", 0, {}},
      {"folder takes no file", Layout::Frozen, "", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"leftovers", Layout::Stale, "", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx", young, "x" + old}},
      {"held, no sharing", Layout::Held, "-", "ride.pwx", 1, 0, "ride.pwx", 0666, {"ride.pwx"}},
      {"held, read", Layout::Held, "r", "ride.pwx", 1, 0, "ride.pwx", 0666, {"ride.pwx"}},
      {"held, read write", Layout::Held, "rw", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"held, read write delete", Layout::Held, "rwd", "ride.pwx", 1, 1, "ride.pwx", 0666, {"ride.pwx"}},
      {"folder of 251", Layout::Deep, "251", "ride.pwx", 1, 1, "ride.pwx", 0, {"ride.pwx"}},
      {"folder of 257", Layout::Deep, "257", "ride.pwx", 1, 1, "ride.pwx", 0, {"ride.pwx"}},
  };
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int expected = test::kSharingBinds ? c.windows : c.native;
    if (expected == -1) continue;
    std::string folder = test::TempDir() + "/" + c.name;
    while (c.layout == Layout::Deep && folder.size() < std::stoul(c.detail)) {
      const std::size_t room = std::stoul(c.detail) - folder.size() - 1;
      folder += "/" + std::string(room > 101 ? 100 : room, 'd');  // never a last part of nothing
    }
    fs::create_directories(folder);
    const std::string ride = folder + "/ride.pwx";
    if (c.layout != Layout::Nothing && c.layout != Layout::Folder && c.layout != Layout::Deep) {
      test::WriteFile(ride, earlier);
      fs::permissions(ride, fs::perms(c.layout == Layout::ReadOnly ? 0444 : 0666));
    }
    if (c.layout == Layout::Link) fs::create_symlink("ride.pwx", folder + "/link.pwx");
    if (c.layout == Layout::HardLink) fs::create_hard_link(ride, folder + "/other.pwx");
    if (c.layout == Layout::Folder) fs::create_directory(folder + "/dir.pwx");
    if (c.layout == Layout::Frozen) test::FreezeFolder(folder, true);
    for (const auto& [name, hours] : {std::pair{old, 25}, {young, 23}, {"x" + old, 25}}) {
      // A save cut short a day and an hour ago, and one an hour younger still being written (held).
      if (c.layout != Layout::Stale) break;
      test::WriteFile(folder + "/" + name, "cut short");
      fs::last_write_time(folder + "/" + name, fs::last_write_time(folder + "/" + name) - std::chrono::hours(hours));
    }
    const std::intptr_t hold = c.layout == Layout::Held ? test::HoldOpen(ride, c.detail)
                               : c.layout == Layout::Stale ? test::HoldOpen(folder + "/" + young, "-")
                                                           : -1;
    EXPECT_EQ(hold == -1, c.layout != Layout::Held && c.layout != Layout::Stale);
    EXPECT_EQ(plugin->api().ExportDatas(0, 0, 0, 0, 0, 0, 0, (folder + "/" + c.target).c_str(), 0), expected);
    if (hold != -1) test::LetGo(hold);
    if (c.layout == Layout::Frozen) test::FreezeFolder(folder, false);
    if (*c.checked != '\0') {
      std::ifstream in(fs::path(folder) / c.checked, std::ios::binary);  // wide, so of any length
      const std::string bytes(std::istreambuf_iterator<char>(in), {});
      EXPECT_TRUE(expected == 1 ? bytes.starts_with("<?xml") && bytes.ends_with("</pwx>\r\n") : bytes == earlier);
      const auto mode = static_cast<unsigned>(fs::status(fs::path(folder) / c.checked).permissions()) & 0777;
      if (c.mode != 0) {
        EXPECT_EQ(mode, c.mode);
      }
    }
    std::set<std::string> entries;
    for (const auto& entry : fs::directory_iterator(folder)) entries.insert(entry.path().filename().string());
    EXPECT_EQ(entries, c.entries);
    if (c.layout == Layout::ReadOnly) fs::permissions(ride, fs::perms::owner_write, fs::perm_options::add);
  }
}


// Fills the disk the folder is on, then gives back room bytes of it.
void LeaveRoom(const std::string& folder, std::uintmax_t room) {
  const std::string filler = folder + "/../filler";
  for (std::ofstream out(filler, std::ios::binary); out.write(std::string(4096, 'f').data(), 4096);) {
  }
  fs::resize_file(filler, fs::file_size(filler) - std::min(room, fs::file_size(filler)));
}

// Where the rename is refused or would change the file, the finished document is copied into the
// target: with too little room for it, or with the saving program killed while it writes, the old
// bytes stay, and the next save leaves nothing of the killed one behind.
TEST(HostileExport, AnInPlaceSaveOnAFullDiskOrCutShortLeavesTheOldBytes) {
  enum class Way { SecondName, ReadOnlyFolder, HeldWithWriteSharing };
  enum class Then { Room, DiskFull, Killed };
  struct Case {  // the answers: -1 killed, -2 where it cannot be arranged
    const char* name;
    Way way;
    Then then;
    int native, windows;
  };
  const Case cases[] = {
      {"second name, room", Way::SecondName, Then::Room, 1, 1},
      {"second name, disk full", Way::SecondName, Then::DiskFull, 0, 0},
      {"read-only folder, disk full", Way::ReadOnlyFolder, Then::DiskFull, 0, -2},
      {"held with write sharing, disk full", Way::HeldWithWriteSharing, Then::DiskFull, -2, 0},
      {"second name, killed while writing", Way::SecondName, Then::Killed, -1, -1},
  };
  const std::string disk = test::SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no file system of 64 KiB of its own here (test-all mounts one for Wine in a step of its own)";
  const auto plugin = test::LoadPlugin();
  ASSERT_NE(plugin, nullptr);
  const tool::PluginApi& api = plugin->api();
  LogSummaryRecord summary{};
  summary.StartTime = 45000.25;
  ASSERT_EQ(api.SetLogSummaryEx(summary), 1);
  for (int i = 0; i < 60; ++i) {  // a document of about 17 KB: twice that and more fit the disk
    ExerciseDataRecord sample{};  // every channel the writer leaves out when it is 0 throughout
    sample.TimeOffset = i;
    sample.HeartRate = sample.Cadence = 90;
    sample.Speed = sample.Distance = sample.Altitude = sample.Temperature = 10.0;
    ASSERT_EQ(api.SetExerciseDatasEx(i, sample), 1);
  }
  const std::string measured = disk + "/measured.pwx";
  ASSERT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, measured.c_str(), 0), 1);
  const std::uintmax_t document = fs::file_size(measured);
  fs::remove(measured);
  const std::string earlier(4096, 'e');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int expected = test::kSharingBinds ? c.windows : c.native;
    if (expected == -2) continue;
    const std::string folder = (c.then == Then::Killed ? test::TempDir() : disk) + "/in-place";
    fs::create_directories(folder);
    const std::string ride = folder + "/ride.pwx";
    test::WriteFile(ride, earlier);
    std::set<std::string> names = {"ride.pwx"};
    if (c.way == Way::SecondName) fs::create_hard_link(ride, folder + "/" + *names.insert("other.pwx").first);
    if (c.way == Way::ReadOnlyFolder) fs::permissions(folder, fs::perms(0555));
    const std::intptr_t hold = c.way == Way::HeldWithWriteSharing ? test::HoldOpen(ride, "rw") : -1;
    // The new document fits beside the target (on the disk only when it is written beside it), but
    // not also into the target.
    if (c.then == Then::DiskFull) LeaveRoom(folder, (c.way == Way::ReadOnlyFolder ? 0 : document) + 8192);
    test::SaverEnd end;
    if (c.then == Then::Killed || c.way == Way::ReadOnlyFolder) {
      end = test::ExportElsewhere(api, c.then == Then::Killed ? test::Saver::KilledWhileWriting : test::Saver::OrdinaryUser, ride);
    } else {
      end.Answer = api.ExportDatas(0, 0, 0, 0, 0, 0, 0, ride.c_str(), 0);
      end.SystemError = tool::os::LastSystemError();
    }
    EXPECT_EQ(end.Answer, expected);
    if (c.then == Then::DiskFull) {
      EXPECT_EQ(end.SystemError, test::kDiskFull);
    }
    for (const std::string& name : names) {
      const std::string bytes = test::ReadFile(folder + "/" + name);
      EXPECT_TRUE(expected == 1 ? bytes.size() == document && bytes.ends_with("</pwx>\r\n") : bytes == earlier) << name;
    }
    if (hold != -1) test::LetGo(hold);
    std::size_t left = 0;  // by a killed save: on Windows its temporary file, natively nothing
    for (const auto& entry : fs::directory_iterator(folder)) left += names.count(entry.path().filename().string()) == 0;
    EXPECT_EQ(left, c.then == Then::Killed && test::kSharingBinds ? 1u : 0u);
    fs::remove(folder + "/../filler");
    fs::permissions(folder, fs::perms(0755));
    EXPECT_EQ(api.ExportDatas(0, 0, 0, 0, 0, 0, 0, ride.c_str(), 0), 1);  // clears what a killed save left
    std::set<std::string> entries;
    for (const auto& entry : fs::directory_iterator(folder)) entries.insert(entry.path().filename().string());
    EXPECT_EQ(entries, names);
    fs::remove_all(folder);
  }
}

}  // namespace
}  // namespace tessaly
